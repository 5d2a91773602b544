#include "division/ScoreValue.h"

#include "common/Numbers.h"

#include <algorithm>
#include <cstdint>

namespace classdiv {

double scoreValue(const QString& text)
{
    // Up to 15 digits the mantissa and the power of ten are exact doubles, so
    // one division is correctly rounded, just as strtod is.
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const qsizetype size = text.size();
    const QChar* chars = text.constData();
    qsizetype i = 0;
    bool negative = false;
    if (i < size && (chars[i] == u'-' || chars[i] == u'+'))
        negative = chars[i++] == u'-';
    int64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    bool point = false;
    for (; i < size; ++i) {
        const char16_t c = chars[i].unicode();
        if (c >= u'0' && c <= u'9') {
            if (++digits > 15)
                return textValue(text);
            mantissa = mantissa * 10 + (c - u'0');
            if (point)
                ++fractionDigits;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return textValue(text); // blanks, exponents, &H, trailing letters ...
        }
    }
    if (digits == 0)
        return textValue(text);
    const double value = fractionDigits == 0 ? static_cast<double>(mantissa)
                                             : static_cast<double>(mantissa) / kPowersOfTen[fractionDigits];
    return negative ? -value : value;
}

void readScores(const StudentTable& table, ScoreValues& scores)
{
    const int n = std::min(table.studentCount(), kMaxStudents);
    bool smallWhole = true;
    for (int e = 1; e <= n; ++e) {
        const double v = scoreValue(table.records[e].score);
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
