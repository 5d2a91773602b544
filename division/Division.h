#pragma once
// The press of the distribution button: check, prepare, draw, balance, write back.

#include "common/Message.h"
#include "conditions/GroupTable.h"
#include "division/DistributionTable.h"
#include "division/RandomSource.h"
#include "import/StudentTable.h"

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
};

struct DrawOutcome {
    std::optional<Message> message; // the press was refused; nothing changed
    bool drawn = false;             // the table was filled and must be drawn again
};

// DrawClasses: the whole press, ending with the distribution table filled.
DrawOutcome drawClasses(ConditionsWorkspace& ws, DivisionState& state, StudentTable& table,
                        DistributionTable& distribution, RandomSource& random);

inline const QString kGrandTotalMessage = QStringLiteral("CSVファイルにある生徒総数と入力した生徒総数が違います。確認して下さい。");

} // namespace classdiv
