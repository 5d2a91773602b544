#pragma once
// The conditions file beside the CSV (its name, and its reading and writing:
// files/YearFiles.h): 11 lines per group, CR LF.

#include "common/Message.h"
#include "common/TextFile.h"
#include "conditions/GroupTable.h"
#include "conditions/PlanRowsView.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace classdiv {

// The whole file's bytes for the groups 1 .. groupCount().
QByteArray formatConditionsFile(const ConditionsWorkspace& ws);

struct ReadConditionsOutcome {
    enum class Status {
        Read,    // all groups read: select the first group of the list, then show `view`
        Missing, // the file does not exist: show `message`, then end the program
        Failed   // stopped part way: no message, the window keeps what it shows
    };
    Status status = Status::Failed;
    std::optional<Message> message;
    std::optional<PlanRowsView> view; // group 1 as shown after a read (zeros shown as 0)
};

// 前回条件の読み込み: the text of the conditions file read back into the
// workspace (Read or Failed; a missing file is the reader's to tell).
ReadConditionsOutcome parseConditions(ConditionsWorkspace& ws, const QString& text);

inline const QString kMissingConditionsMessage = QStringLiteral("条件ファイル ファイル名.csvJYOKEN.TXT がありません。");

} // namespace classdiv
