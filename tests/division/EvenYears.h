#pragma once
// Years for evening out the averages: the example year as imported, a year
// whose groups cross all classes, a full year of 500, and random years.

#include "support/Years.h"

#include "conditions/ConditionsFile.h"
#include "conditions/GroupTable.h"
#include "import/ImportActions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace classdiv::testing {

// Deterministic numbers for building years (not for the division itself).
class YearNumbers {
public:
    explicit YearNumbers(uint64_t seed) : m_state(seed * 2862933555777941757ULL + 3037000493ULL) {}
    uint32_t next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(m_state >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
    // Roughly normal scores, clamped to 0 .. 100, ranked high to low.
    std::vector<int> scores(int count, double mean, double spread)
    {
        std::vector<int> out;
        for (int i = 0; i < count; ++i) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += (next() % 10000) / 10000.0;
            out.push_back(std::clamp(static_cast<int>(std::lround(mean + (sum - 2.0) * spread * 1.73)), 0, 100));
        }
        std::sort(out.begin(), out.end(), std::greater<>());
        return out;
    }

private:
    uint64_t m_state;
};

// Head counts of a group over classes 1 .. classes, unequal: the share of
// class k leans by (k + turn) so different groups lean differently.
inline std::vector<std::pair<int, int>> leaningPlan(int size, int classes, int turn)
{
    static const int lean[] = {3, -3, 2, -2, 1, -1, 0, 0, 0, 0};
    std::vector<std::pair<int, int>> plan;
    int left = size;
    for (int k = 1; k <= classes; ++k) {
        int head = size / classes + lean[(k + turn) % classes];
        if (k == classes)
            head = left;
        head = std::max(1, head);
        plan.emplace_back(k, head);
        left -= head;
    }
    return plan;
}

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
    std::vector<std::vector<int>> scores;
    for (int g = 0; g < 6; ++g) {
        groups[g] = {QStringLiteral("組%1").arg(g + 1), sizes[g], {}};
        for (int k = 1, left = sizes[g]; k <= 6; ++k) {
            const int head = k == 6 ? left : std::max(1, static_cast<int>(std::lround(sizes[g] * share[(k + g) % 6])));
            groups[g].plan.emplace_back(k, head);
            left -= head;
        }
        scores.push_back(numbers.scores(sizes[g], 40 + 10 * g, 4));
    }
    return DivisionYear(groups, false, scores);
}

// 500 students in 8 groups over 6 classes, every group in every class.
inline DivisionYear fullYear()
{
    YearNumbers numbers(8);
    const int sizes[] = {70, 66, 64, 62, 62, 60, 58, 58};
    std::vector<GroupOfYear> groups;
    std::vector<std::vector<int>> scores;
    for (int g = 0; g < 8; ++g) {
        groups.push_back({QStringLiteral("G%1").arg(g + 1), sizes[g], leaningPlan(sizes[g], 6, g)});
        scores.push_back(numbers.scores(sizes[g], 50 + 3 * g, 15));
    }
    return DivisionYear(groups, false, scores);
}

// A random year: 1 to 6 groups of 1 to 120 students, each over a random set
// of 1 to 10 classes with random positive head counts.
inline DivisionYear randomYear(uint64_t seed)
{
    YearNumbers numbers(seed);
    std::vector<GroupOfYear> groups(1 + numbers.below(6));
    std::vector<std::vector<int>> scores;
    for (size_t g = 0; g < groups.size(); ++g) {
        const int size = 1 + numbers.below(120), classes = 1 + numbers.below(std::min(size, 10));
        std::vector<int> numbersOfClasses{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        for (int i = 9; i > 0; --i)
            std::swap(numbersOfClasses[i], numbersOfClasses[numbers.below(i + 1)]);
        std::vector<int> heads(classes, 1);
        for (int left = size - classes; left > 0; --left)
            ++heads[numbers.below(classes)];
        groups[g] = {QStringLiteral("R%1").arg(g + 1), size, {}};
        for (int k = 0; k < classes; ++k)
            groups[g].plan.emplace_back(numbersOfClasses[k], heads[k]);
        scores.push_back(numbers.scores(size, 40 + numbers.below(40), 5 + numbers.below(20)));
    }
    return DivisionYear(groups, false, scores);
}

// The example year, imported and its conditions read as a teacher would;
// oldClass is its column 2 (旧組) by student row.
struct ExampleYear {
    std::unique_ptr<StudentTable> table = std::make_unique<StudentTable>();
    ConditionsWorkspace ws;
    std::vector<QString> oldClass;

    ExampleYear()
    {
        const QString folder = QStringLiteral(CLASSDIV_SOURCE_DIR "/examples");
        const QString file = QStringLiteral("nen1.csv");
        // The old class is read in as the name once, to have it by row.
        auto other = std::make_unique<StudentTable>();
        ImportWindowState state;
        if (preview({folder, folder, file, file}, state, *other).message
            || readColumns({"8", "1", "2", "6", "7"}, state, *other).message
            || preview({folder, folder, file, file}, state, *table).message
            || readColumns({"8", "1", "3", "6", "7"}, state, *table).message)
            throw std::runtime_error("the example year does not read");
        oldClass.push_back(QString());
        for (int e = 1; e <= table->studentCount(); ++e)
            oldClass.push_back(other->records[e].name);
        ws = loadGroups(*table).workspace;
        if (readConditions(ws, table->csvPath).status != ReadConditionsOutcome::Status::Read)
            throw std::runtime_error("the example conditions do not read");
    }
};

} // namespace classdiv::testing
