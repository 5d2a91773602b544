#pragma once
// The press of the distribution button: check, prepare, draw, balance, write back.

#include "common/Message.h"
#include "conditions/GroupTable.h"
#include "division/draw/RandomSource.h"
#include "import/StudentTable.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace classdiv {

// Working state of the division, owned by the conditions window. Tables are
// sized by what the run uses, not by the largest possible year.
struct DivisionState {
    bool conditionsPrepared = false;
    // The conditions as they were at the last preparation: a change prepares again.
    std::vector<GroupCondition> preparedConditions;
    std::vector<int16_t> smallestHeadCount; // [G]
    std::vector<int16_t> blockSize;         // [G]
    // ... further working tables as the implementation needs them

    using RowTable = std::array<int16_t, kMaxPlanRows + 1>; // [k], k = 1 .. 10
    std::vector<RowTable> rowClassNumber;           // [G][k]: the class number as prepared
    std::vector<RowTable> slotRangeFirst;           // [G][k]: first slot of the row
    std::vector<RowTable> slotRangeLast;            // [G][k]: last slot of the row
    int preparationCount = 0;                       // how often the conditions were prepared

    // Per press, sized to what the groups use; every entry in use is rewritten.
    std::vector<std::vector<int16_t>> blockDraws;   // [G][(block - 1) * blockSize + position - 1]
    std::vector<int16_t> blockCount;                // [G]
    std::vector<std::vector<int16_t>> rankSlot;     // [G][rank 1 .. size]
    std::vector<std::vector<int16_t>> rankClass;    // [G][rank 1 .. size]
    std::vector<std::vector<int8_t>> rankRow;       // [G][rank 1 .. size]: the plan row of rankClass
    std::vector<RowTable> classSurplus;             // [G][k] after the last count
    std::vector<int16_t> balancingMoves;            // [G]: students moved by the balancing
};

// The class of a student the division has not placed yet (a student new to
// a kept draft): entry value 0 in a classes vector, where classes count from 1.
inline constexpr int16_t kUnplacedClass = 0;

struct DrawOutcome {
    std::optional<Message> message; // the press was refused; nothing changed
    bool drawn = false;             // every student has a new class
};

// The checks of a press, in its order: the message it would refuse with, or
// nothing when it would draw. Throws on a group table that lost students.
std::optional<Message> checkPress(const ConditionsWorkspace& ws, const Students& students);

// True when the next press prepares the conditions again: never prepared, or
// the conditions differ from those of the last preparation.
bool conditionsChangedSincePreparation(const ConditionsWorkspace& ws, const DivisionState& state);

// DrawClasses: checks, prepares when needed, draws and balances every group
// and gives every student row 1 .. N its class in `classes` (entry 0 unused).
// A refusal changes nothing.
DrawOutcome drawClasses(ConditionsWorkspace& ws, DivisionState& state, const Students& students, RandomSource& random,
                        std::vector<int16_t>& classes);

inline const QString kGrandTotalMessage = QStringLiteral("CSVファイルにある生徒総数と入力した生徒総数が違います。確認して下さい。");

} // namespace classdiv
