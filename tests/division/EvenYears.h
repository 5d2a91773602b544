#pragma once
// Years for evening out the averages: the example year as imported and a
// year whose groups cross all classes.

#include "support/Years.h"

#include "conditions/ConditionsFile.h"
#include "conditions/GroupTable.h"
#include "support/TestFiles.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace classdiv::testing {

// Six groups of different averages, each spread over all six classes with
// shares that turn from group to group (30 % of one group to one class, 8 %
// to another): the classes differ in their mix of groups, so their averages
// cannot all meet, and only a careful choice inside each group comes close.
inline DivisionYear crossedYear()
{
    YearNumbers numbers(6);
    const int sizes[] = {60, 50, 40, 40, 30, 20};
    const double share[] = {0.30, 0.22, 0.17, 0.13, 0.10, 0.08};
    std::vector<GroupOfYear> groups(6);
    std::vector<std::vector<double>> scores;
    for (int g = 0; g < 6; ++g) {
        groups[g] = {QStringLiteral("組%1").arg(g + 1), sizes[g], {}};
        for (int k = 1, left = sizes[g]; k <= 6; ++k) {
            const int head = k == 6 ? left : std::max(1, static_cast<int>(std::lround(sizes[g] * share[(k + g) % 6])));
            groups[g].plan.emplace_back(k, head);
            left -= head;
        }
        const std::vector<int> whole = numbers.scores(sizes[g], 40 + 10 * g, 4);
        scores.emplace_back(whole.begin(), whole.end());
    }
    return DivisionYear(groups, false, scores);
}

// The example year, imported and its conditions read as a teacher would;
// oldClass is its column 2 (旧組) by student row.
struct ExampleYear {
    std::unique_ptr<Year> year;
    std::vector<QString> oldClass;

    ExampleYear()
    {
        const QString folder = QStringLiteral(CLASSDIV_SOURCE_DIR "/examples");
        auto table = std::make_unique<StudentTable>();
        auto other = std::make_unique<StudentTable>(); // the old class read in as the name, to have it by row
        if (!readExampleYear(folder, *other, QStringLiteral("2")) || !readExampleYear(folder, *table))
            throw std::runtime_error("the example year does not read");
        oldClass.push_back(QString());
        for (int e = 1; e <= table->studentCount(); ++e)
            oldClass.push_back(other->records[e].name);
        year = std::make_unique<Year>(*table);
        year->setRules({}); // the columns chosen beside the example are each test's own choice
        if (year->readConditions().status != ReadConditionsOutcome::Status::Read)
            throw std::runtime_error("the example conditions do not read");
    }
};

} // namespace classdiv::testing
