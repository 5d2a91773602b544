#pragma once
// Years for evening out the averages: the example year as imported, a year
// whose groups cross all classes, and two shaped like real schools.

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
// A wider spread of scores inside each group makes its best harder to reach.
inline DivisionYear crossedYear(double scoreSpread = 4)
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
        const std::vector<int> whole = numbers.scores(sizes[g], 40 + 10 * g, scoreSpread);
        scores.emplace_back(whole.begin(), whole.end());
    }
    return DivisionYear(groups, false, scores);
}

// A group of a school year: its name, the mean of its scores and its plan.
struct SchoolGroup {
    const char* name;
    double mean;
    std::vector<std::pair<int, int>> plan; // (class number, head count)
};

// Scores 0 .. 100 around each group's mean; halfPoints students chosen at
// random get half a point more (less at 100), as a test marked in halves
// gives. Groups are listed in the order the group table sorts their names,
// which the conditions file follows.
inline DivisionYear schoolYear(std::vector<SchoolGroup> groups, uint64_t seed, int halfPoints)
{
    constexpr double kScoreSpread = 15; // about the standard deviation of a school test
    std::sort(groups.begin(), groups.end(), [](const SchoolGroup& a, const SchoolGroup& b) {
        return QString::fromUtf8(a.name) < QString::fromUtf8(b.name);
    });
    YearNumbers numbers(seed);
    std::vector<GroupOfYear> plans;
    std::vector<std::vector<double>> scores;
    for (const SchoolGroup& g : groups) {
        int size = 0;
        for (const auto& [number, head] : g.plan)
            size += head;
        plans.push_back({QString::fromUtf8(g.name), size, g.plan});
        const std::vector<int> whole = numbers.scores(size, g.mean, kScoreSpread);
        scores.emplace_back(whole.begin(), whole.end());
    }
    std::vector<std::pair<size_t, size_t>> everyone;
    for (size_t g = 0; g < scores.size(); ++g) {
        for (size_t w = 0; w < scores[g].size(); ++w)
            everyone.emplace_back(g, w);
    }
    for (int i = 0; i < halfPoints; ++i) {
        std::swap(everyone[i], everyone[i + numbers.below(static_cast<int>(everyone.size()) - i)]);
        double& score = scores[everyone[i].first][everyone[i].second];
        score += score < 100 ? 0.5 : -0.5;
    }
    for (std::vector<double>& group : scores)
        std::sort(group.begin(), group.end(), std::greater<>());
    return DivisionYear(plans, false, scores);
}

// 215 students in six classes of 35-36, boys and girls each choosing music,
// art or calligraphy, every elective group spread over all six classes in
// shares of 3 to 9; 40 half-point scores.
inline DivisionYear artElectivesYear()
{
    return schoolYear({{"音男", 52, {{1, 8}, {2, 7}, {3, 6}, {4, 5}, {5, 4}, {6, 6}}},
                       {"美男", 46, {{1, 3}, {2, 5}, {3, 6}, {4, 7}, {5, 8}, {6, 5}}},
                       {"書男", 57, {{1, 7}, {2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}}},
                       {"音女", 66, {{1, 9}, {2, 8}, {3, 7}, {4, 6}, {5, 5}, {6, 5}}},
                       {"美女", 60, {{1, 4}, {2, 5}, {3, 6}, {4, 7}, {5, 8}, {6, 6}}},
                       {"書女", 63, {{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 7}}}},
                      215, 40);
}

// 456 students in ten classes of 45-46, all linked: the humanities course in
// classes 1-5 (its girls a large group over all five), the sciences in 6-9,
// an international course that fills class 10 alone and sends three to class 9,
// a few sports students over classes 4-7 who tie the two courses together,
// one exchange student, and 139 half-point scores.
inline DivisionYear coursesYear()
{
    return schoolYear({{"文女", 58, {{1, 26}, {2, 26}, {3, 26}, {4, 25}, {5, 25}}},
                       {"文男", 52, {{1, 20}, {2, 20}, {3, 19}, {4, 17}, {5, 16}}},
                       {"理男", 56, {{6, 27}, {7, 27}, {8, 27}, {9, 25}}},
                       {"理女", 59, {{6, 17}, {7, 17}, {8, 18}, {9, 18}}},
                       {"国際", 56, {{10, 45}, {9, 3}}},
                       {"体育", 45, {{4, 3}, {5, 4}, {6, 2}, {7, 2}}},
                       {"留学", 50, {{3, 1}}}},
                      456, 139);
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
