#include "division/ScoreValue.h"

#include "common/Numbers.h"

#include <algorithm>
#include <cstdint>

namespace classdiv {

void readScores(const StudentTable& table, ScoreValues& scores)
{
    const int n = std::min(table.studentCount(), kMaxStudents);
    bool smallWhole = true;
    for (int e = 1; e <= n; ++e) {
        const double v = textValue(table.records[e].score);
        scores.value[e] = v;
        smallWhole &= v >= -32768.0 && v <= 32767.0 && static_cast<double>(static_cast<int>(v)) == v;
    }
    scores.smallWhole = smallWhole;
}

int classRowOf(const QString& newClass)
{
    if (newClass.size() == 1) {
        const char16_t c = newClass.at(0).unicode();
        return c >= u'1' && c <= u'9' ? c - u'0' : 0;
    }
    return newClass == u"10" ? 10 : 0;
}

} // namespace classdiv
