#include "division/draw/Division.h"

#include "common/Numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace classdiv {

namespace {

// The working tables are sized by use, so a group may hold as many students
// as the group table does: a year drawn as one undivided group of 240 is an
// ordinary case. A block never exceeds its group.
constexpr int kMaxDivisionGroupSize = kMaxStudentsPerGroup;
constexpr int kMaxBlockSize = kMaxStudentsPerGroup;
constexpr int kMaxBlocks = kMaxStudentsPerGroup;
// A fair source fills a block of 500 slots in about 3,400 numbers; needing a
// million means the source is broken, not unlucky.
constexpr long kMaxNumbersPerBlock = 1'000'000;

const GroupCondition& conditionOf(const ConditionsWorkspace& ws, int g)
{
    static const GroupCondition none;
    return g < static_cast<int>(ws.conditions.size()) ? ws.conditions[g] : none;
}

int groupSizeOf(const ConditionsWorkspace& ws, int g)
{
    return g < static_cast<int>(ws.groupSize.size()) ? ws.groupSize[g] : 0;
}

QString groupLabel(const ConditionsWorkspace& ws, int g)
{
    const QString name = g < static_cast<int>(ws.groupName.size()) ? ws.groupName[g] : QString();
    return QStringLiteral("グループ「%1」").arg(name);
}

std::optional<Message> checkGrandTotal(const ConditionsWorkspace& ws, int studentCount)
{
    // Rows above the class count take part: a group once confirmed with more
    // rows still carries their head counts.
    long total = 0;
    for (int g = 1; g <= ws.groupCount(); ++g) {
        const GroupCondition& c = conditionOf(ws, g);
        for (int k = 1; k <= kMaxPlanRows; ++k)
            total += c.rows[k].headCount;
    }
    if (total != studentCount)
        return Message{kGrandTotalMessage, QString()};
    return std::nullopt;
}

int slotCountOf(int headCount, int smallestHeadCount)
{
    return static_cast<int>(std::floor(static_cast<double>(headCount) / smallestHeadCount + 0.5));
}

// The conditions the draw relies on. With them every block can be filled,
// every rank maps to a row's class and each balancing pass moves one student
// from an over-full class to an under-full one, so the press always ends.
std::optional<Message> checkGroup(const ConditionsWorkspace& ws, int g)
{
    const GroupCondition& c = conditionOf(ws, g);
    const auto inputMistake = [&](const QString& what) {
        return Message{groupLabel(ws, g) + what, titles::inputMistake};
    };
    const int size = groupSizeOf(ws, g);
    if (c.classCount < 1)
        return inputMistake(QStringLiteral("のクラス数と各クラスの人数が入力されていません。入力して確認ボタンを押して下さい。"));
    if (c.classCount > kMaxPlanRows)
        return inputMistake(QStringLiteral("のクラス数に誤りがあります。10クラスまでです。"));
    long headTotal = 0;
    int smallest = std::numeric_limits<int>::max();
    for (int k = 1; k <= c.classCount; ++k) {
        const ClassPlanRow& row = c.rows[k];
        if (row.classNumber < 1)
            return inputMistake(QStringLiteral("の%1行目のクラス番号に誤りがあります。1以上の番号を入力して下さい。").arg(k));
        if (row.headCount < 1)
            return inputMistake(QStringLiteral("の%1行目の人数に誤りがあります。1人以上を入力して下さい。").arg(k));
        for (int j = 1; j < k; ++j) {
            if (c.rows[j].classNumber == row.classNumber)
                return inputMistake(QStringLiteral("でクラス番号%1が2回入力されています。別々のクラス番号を入力して下さい。")
                                                .arg(row.classNumber));
        }
        headTotal += row.headCount;
        smallest = std::min<int>(smallest, row.headCount);
    }
    if (headTotal != size)
        return inputMistake(QStringLiteral("の人数の合計（%1人）がグループの生徒数（%2人）と違います。").arg(headTotal).arg(size));
    if (size > kMaxDivisionGroupSize)
        return inputMistake(QStringLiteral("の生徒数（%1人）が多すぎます。1つのグループは500人までしかクラス分けできません。").arg(size));
    int blockSize = 0;
    for (int k = 1; k <= c.classCount; ++k)
        blockSize += slotCountOf(c.rows[k].headCount, smallest);
    const int blocks = (size + blockSize - 1) / blockSize;
    if (blockSize > kMaxBlockSize || blocks > kMaxBlocks)
        return inputMistake(QStringLiteral("の各クラスの人数の差が大きすぎて振り分けられません。"));
    return std::nullopt;
}

// Scores feed 16-bit sorted scores and 32-bit sums; refuse what cannot fit
// before anything is written.
std::optional<Message> checkScores(const Students& students)
{
    if (students.wholeScores)
        return std::nullopt;
    for (int e = 1; e <= students.count(); ++e) {
        const double value = roundHalfEven(students[e].score);
        if (!(value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max())) {
            return Message{QStringLiteral("%1番目の生徒（番号 %2）の点数「%3」は大きすぎてクラス分けできません。"
                                          "点数は-32768から32767までにして下さい。")
                               .arg(e)
                               .arg(students[e].id, students[e].scoreText),
                           titles::error};
        }
    }
    return std::nullopt;
}

// The load step guarantees this; a table that breaks it would leave some
// students without a new class, so it is a programming error.
void requireConsistentGroups(const ConditionsWorkspace& ws, int studentCount)
{
    if (studentCount > kMaxStudents)
        throw std::logic_error("drawClasses: more students than the table holds");
    std::array<bool, kStudentRows> seen{};
    for (int g = 1; g <= ws.groupCount(); ++g) {
        const int size = groupSizeOf(ws, g);
        if (g >= static_cast<int>(ws.groupStudents.size())
            || static_cast<int>(ws.groupStudents[g].size()) <= size)
            throw std::logic_error("drawClasses: group without the rows of its students");
        for (int w = 1; w <= size; ++w) {
            const int row = ws.groupStudents[g][w];
            if (row < 1 || row > studentCount || seen[row])
                throw std::logic_error("drawClasses: a student row is missing or repeated in the groups");
            seen[row] = true;
        }
    }
}

bool sameDivisionConditions(const GroupCondition& a, const GroupCondition& b)
{
    // Only what the preparation reads; rows above the class count do not matter.
    if (a.classCount != b.classCount)
        return false;
    for (int k = 1; k <= a.classCount && k <= kMaxPlanRows; ++k) {
        if (a.rows[k].classNumber != b.rows[k].classNumber || a.rows[k].headCount != b.rows[k].headCount)
            return false;
    }
    return true;
}

bool needsPreparation(const ConditionsWorkspace& ws, const DivisionState& state)
{
    if (!state.conditionsPrepared)
        return true;
    // A preparation that no longer matches the conditions would hand out
    // classes the balancing cannot count, and it would never end.
    if (static_cast<int>(state.preparedConditions.size()) != ws.groupCount() + 1)
        return true;
    for (int g = 1; g <= ws.groupCount(); ++g) {
        if (!sameDivisionConditions(state.preparedConditions[g], conditionOf(ws, g)))
            return true;
    }
    return false;
}

// PrepareDivision.
void prepareDivision(ConditionsWorkspace& ws, DivisionState& state)
{
    const int groups = ws.groupCount();
    state.conditionsPrepared = true;
    ++state.preparationCount;
    state.smallestHeadCount.assign(groups + 1, 0);
    state.blockSize.assign(groups + 1, 0);
    state.rowClassNumber.assign(groups + 1, DivisionState::RowTable{});
    state.slotRangeFirst.assign(groups + 1, DivisionState::RowTable{});
    state.slotRangeLast.assign(groups + 1, DivisionState::RowTable{});
    state.preparedConditions.assign(groups + 1, GroupCondition{});
    for (int g = 1; g <= groups; ++g) {
        if (g >= static_cast<int>(ws.conditions.size()))
            break;
        GroupCondition& c = ws.conditions[g];
        int16_t smallest = c.rows[1].headCount;
        for (int k = 2; k <= c.classCount; ++k)
            smallest = std::min(smallest, c.rows[k].headCount);
        state.smallestHeadCount[g] = smallest;
        int16_t blockSize = 0;
        for (int k = 1; k <= c.classCount; ++k) {
            ClassPlanRow& row = c.rows[k];
            row.slotCount = static_cast<int16_t>(slotCountOf(row.headCount, smallest));
            const int16_t first = static_cast<int16_t>(blockSize + 1);
            blockSize = static_cast<int16_t>(blockSize + row.slotCount);
            state.rowClassNumber[g][k] = row.classNumber;
            state.slotRangeFirst[g][k] = first;
            state.slotRangeLast[g][k] = blockSize;
        }
        state.blockSize[g] = blockSize;
        state.preparedConditions[g] = c;
    }
}

void drawBlocks(int g, int size, DivisionState& state, RandomSource& random)
{
    const int blockSize = state.blockSize[g];
    const int blocks = (size + blockSize - 1) / blockSize;
    std::vector<int16_t>& draws = state.blockDraws[g];
    draws.assign(static_cast<size_t>(blocks) * blockSize, 0);
    std::vector<int16_t>& rankSlot = state.rankSlot[g];
    int rank = 0;
    for (int block = 1; block <= blocks; ++block) {
        random.reseed();
        int16_t* drawn = draws.data() + static_cast<size_t>(block - 1) * blockSize;
        int position = 1;
        long numbers = 0;
        // Slots already in this block, bit x - 1: the same test as looking
        // through the positions filled so far.
        std::array<uint64_t, (kMaxBlockSize + 63) / 64> taken{};
        while (position <= blockSize) {
            if (++numbers > kMaxNumbersPerBlock)
                throw std::logic_error("drawClasses: the random source never completes a block");
            const double r = random.next();
            const int x = std::min(static_cast<int>(r * blockSize), blockSize - 1) + 1;
            const uint64_t bit = uint64_t(1) << ((x - 1) & 63);
            if (taken[(x - 1) >> 6] & bit)
                continue;
            taken[(x - 1) >> 6] |= bit;
            drawn[position - 1] = static_cast<int16_t>(x);
            ++position;
        }
        for (int m = 1; m <= blockSize && rank < size; ++m)
            rankSlot[++rank] = drawn[m - 1];
    }
    state.blockCount[g] = static_cast<int16_t>(blocks);
}

void slotsToClasses(int g, int size, const GroupCondition& c, DivisionState& state)
{
    // Slot s belongs to the row whose range holds it; one lookup per rank
    // gives the same classes as walking rows, slots and ranks.
    std::array<int8_t, kMaxBlockSize + 1> slotRow{};
    for (int k = 1; k <= c.classCount; ++k) {
        for (int s = state.slotRangeFirst[g][k]; s <= state.slotRangeLast[g][k]; ++s)
            slotRow[s] = static_cast<int8_t>(k);
    }
    for (int w = 1; w <= size; ++w) {
        const int8_t k = slotRow[state.rankSlot[g][w]];
        state.rankRow[g][w] = k;
        state.rankClass[g][w] = state.rowClassNumber[g][k];
    }
}

void balance(int g, int size, const GroupCondition& c, DivisionState& state)
{
    std::vector<int16_t>& rankClass = state.rankClass[g];
    std::vector<int8_t>& rankRow = state.rankRow[g];
    DivisionState::RowTable& surplus = state.classSurplus[g];
    int moves = 0;
    // Each move brings the sum of |surplus| down by two, so at most size
    // passes move someone and one more finds every row exact.
    for (int pass = 0;; ++pass) {
        if (pass > size + 1)
            throw std::logic_error("drawClasses: the balancing did not settle");
        // Class numbers are distinct within the group, so counting a rank's
        // row is counting its class.
        std::array<int, kMaxPlanRows + 1> count{};
        for (int w = 1; w <= size; ++w)
            ++count[rankRow[w]];
        bool exact = true;
        for (int k = 1; k <= c.classCount; ++k) {
            surplus[k] = static_cast<int16_t>(count[k] - c.rows[k].headCount);
            exact = exact && surplus[k] == 0;
        }
        if (exact)
            break;
        int under = 0;
        int over = 0;
        for (int k = 1; k <= c.classCount && under == 0; ++k)
            under = surplus[k] < 0 ? k : 0;
        for (int j = 1; j <= c.classCount && over == 0; ++j)
            over = surplus[j] > 0 ? j : 0;
        if (under == 0 || over == 0)
            continue; // cannot happen with the head counts adding up; the guard ends it
        // The m-th student of the over-full class, m half its size rounded down.
        const int m = (c.rows[over].headCount + surplus[over]) / 2;
        int seen = 0;
        for (int w = 1; w <= size; ++w) {
            if (rankRow[w] == over && ++seen == m) {
                rankRow[w] = static_cast<int8_t>(under);
                rankClass[w] = c.rows[under].classNumber;
                ++moves;
                break;
            }
        }
    }
    state.balancingMoves[g] = static_cast<int16_t>(moves);
}

} // namespace

std::optional<Message> checkPress(const ConditionsWorkspace& ws, const Students& students)
{
    const int n = students.count();
    if (auto message = checkGrandTotal(ws, n))
        return message;
    for (int g = 1; g <= ws.groupCount(); ++g) {
        if (auto message = checkGroup(ws, g))
            return message;
    }
    if (auto message = checkScores(students))
        return message;
    requireConsistentGroups(ws, n);
    return std::nullopt;
}

bool conditionsChangedSincePreparation(const ConditionsWorkspace& ws, const DivisionState& state)
{
    return needsPreparation(ws, state);
}

DrawOutcome drawClasses(ConditionsWorkspace& ws, DivisionState& state, const Students& students, RandomSource& random,
                        std::vector<int16_t>& classes)
{
    if (auto message = checkPress(ws, students))
        return DrawOutcome{std::move(message), false};

    if (needsPreparation(ws, state))
        prepareDivision(ws, state);

    // Only the entries in use: each group's tables take the group's size.
    const int groups = ws.groupCount();
    state.blockDraws.resize(groups + 1);
    state.blockCount.assign(groups + 1, 0);
    state.rankSlot.resize(groups + 1);
    state.rankClass.resize(groups + 1);
    state.rankRow.resize(groups + 1);
    state.classSurplus.assign(groups + 1, DivisionState::RowTable{});
    state.balancingMoves.assign(groups + 1, 0);

    for (int g = 1; g <= groups; ++g) {
        const int size = groupSizeOf(ws, g);
        const GroupCondition& c = ws.conditions[g];
        state.rankSlot[g].assign(size + 1, 0);
        state.rankClass[g].assign(size + 1, 0);
        state.rankRow[g].assign(size + 1, 0);
        drawBlocks(g, size, state, random);
        slotsToClasses(g, size, c, state);
        balance(g, size, c, state);
    }

    // Each student takes the class drawn for its own row, so students who
    // share an identifier keep their own classes and the head counts hold.
    classes.assign(static_cast<size_t>(students.count()) + 1, 0);
    for (int g = 1; g <= groups; ++g) {
        for (int w = 1; w <= groupSizeOf(ws, g); ++w)
            classes[ws.groupStudents[g][w]] = state.rankClass[g][w];
    }
    return DrawOutcome{std::nullopt, true};
}

} // namespace classdiv
