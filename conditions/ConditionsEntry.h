#pragma once
// Entry and check of one group's conditions, and what the window then shows.

#include "common/Message.h"
#include "common/TextFile.h"
#include "conditions/GroupTable.h"

#include <QString>

#include <array>
#include <optional>

namespace classdiv {

enum class ConditionsFocus { Unchanged, Text3, ClassNumberRow1 };

// The boxes of the plan rows as the window should show them.
struct PlanRowsView {
    QString text3;
    std::array<QString, kMaxPlanRows + 1> classNumbers; // [1..10]
    std::array<QString, kMaxPlanRows + 1> headCounts;   // [1..10]
    int visibleRows = kMaxPlanRows;                      // rows 1..visibleRows shown, the rest hidden
    bool operator==(const PlanRowsView&) const = default;
};

// A group chosen in Combo1 (comboPosition -1: none).
struct SelectGroupOutcome {
    PlanRowsView view;
    ConditionsFocus focus = ConditionsFocus::Text3;
};
SelectGroupOutcome selectGroup(const ConditionsWorkspace& ws, int comboPosition);

// Command1: the class count from Text3.
struct SetClassCountOutcome {
    std::optional<Message> message;
    bool clearText3 = false;
    std::optional<int> visibleRows; // set: show rows 1..n, hide the rest (box texts unchanged)
    ConditionsFocus focus = ConditionsFocus::Unchanged;
};
SetClassCountOutcome setClassCount(ConditionsWorkspace& ws, int comboPosition, const QString& text3);

// Command2: store rows 1..ClassCount, check them, write the conditions file.
struct ConfirmEntryInput {
    int comboPosition = -1;
    std::array<QString, kMaxPlanRows + 1> classNumbers; // box texts [1..10]
    std::array<QString, kMaxPlanRows + 1> headCounts;
    QString csvPath;                                    // names the conditions file
};
struct ConfirmEntryOutcome {
    std::optional<Message> message;      // the entry message, when the check failed
    std::optional<Message> writeFailure; // the conditions file could not be written
};
ConfirmEntryOutcome confirmEntry(ConditionsWorkspace& ws, const ConfirmEntryInput& input);

inline const QString kClassCountMessage = QStringLiteral("クラス数に誤りがあります。もう一度入力してください。10クラスまで。");
inline const QString kEntryMessage = QStringLiteral("入力データに誤りがあります。再入力して確認ボタンを押して下さい。");

} // namespace classdiv
