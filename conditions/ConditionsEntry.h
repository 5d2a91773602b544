#pragma once
// Entry and check of one group's conditions, and what the window then shows.

#include "common/Message.h"
#include "conditions/GroupTable.h"
#include "conditions/PlanRowsView.h"

#include <QString>

#include <array>
#include <optional>

namespace classdiv {

enum class ConditionsFocus { Unchanged, ClassCount, FirstClassNumber };

// A group chosen in the group list (listPosition -1: none).
struct SelectGroupOutcome {
    PlanRowsView view;
    ConditionsFocus focus = ConditionsFocus::ClassCount;
};
SelectGroupOutcome selectGroup(const ConditionsWorkspace& ws, int listPosition);

// The class count typed for the chosen group: that many plan rows.
struct SetClassCountOutcome {
    std::optional<Message> message;
    bool clearClassCount = false;
    std::optional<int> visibleRows; // set: show rows 1..n, hide the rest (box texts unchanged)
    ConditionsFocus focus = ConditionsFocus::Unchanged;
};
SetClassCountOutcome setClassCount(ConditionsWorkspace& ws, int listPosition, const QString& classCountText);

// Confirming a group: store rows 1..ClassCount and check them. Every
// confirmation is then saved (files/YearFiles.h), whatever the check said, so
// that the file always matches what the window holds.
struct ConfirmEntryInput {
    int listPosition = -1;
    std::array<QString, kMaxPlanRows + 1> classNumbers; // box texts [1..10]
    std::array<QString, kMaxPlanRows + 1> headCounts;
};
struct ConfirmEntryOutcome {
    std::optional<Message> message;      // the entry message, when the check failed
    // Set by the save that follows: the conditions file could not be written
    // (another program writing it included), or the note of a stopped
    // program's lock taken over.
    std::optional<Message> writeFailure;
};
ConfirmEntryOutcome confirmEntry(ConditionsWorkspace& ws, const ConfirmEntryInput& input);

inline const QString kClassCountMessage = QStringLiteral("クラス数に誤りがあります。もう一度入力してください。10クラスまで。");
inline const QString kEntryMessage = QStringLiteral("入力データに誤りがあります。再入力して確認ボタンを押して下さい。");

} // namespace classdiv
