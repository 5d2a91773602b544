#pragma once
// The conditions file beside the CSV: 11 lines per group, CR LF.

#include "common/Message.h"
#include "common/TextFile.h"
#include "conditions/GroupTable.h"
#include "conditions/PlanRowsView.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace classdiv {

// csvPath followed directly by "JYOKEN.TXT".
QString conditionsFilePath(const QString& csvPath);

// The whole file's bytes for the groups 1 .. groupCount().
QByteArray formatConditionsFile(const ConditionsWorkspace& ws);

// Writes the file under its lock (common/FileLock.h); on failure a message
// titled "エラー発生" and nothing changed on disk. A lock taken over from a
// stopped program gives its note, the file written.
std::optional<Message> writeConditionsFile(const ConditionsWorkspace& ws, const QString& csvPath);

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

// 前回条件の読み込み: the conditions file read back into the workspace.
ReadConditionsOutcome readConditions(ConditionsWorkspace& ws, const QString& csvPath);

inline const QString kMissingConditionsMessage = QStringLiteral("条件ファイル ファイル名.csvJYOKEN.TXT がありません。");

} // namespace classdiv
