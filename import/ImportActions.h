#pragma once
// The actions of the import window: preview and reading the four columns.

#include "common/Message.h"
#include "import/CsvFieldReader.h"
#include "import/StudentTable.h"
#include "import/Roster.h"
#include "import/RosterFiles.h"
#include "import/Workbook.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace classdiv {

// Variables of the import window, alive while it is loaded.
struct ImportWindowState {
    QString sourcePath;  // the file the preview and the read button open
    QString previewText; // every line of the file, each followed by CR LF
    int16_t fieldCount = 0;
    int16_t columnCount = 0;
    QString loadedText;  // the rows read, as the window lists them
    QString sheetName;   // the sheet previewed when sourcePath is a workbook
    std::shared_ptr<const Roster> roster; // the file as the preview read it, once
};

struct PreviewInput {
    QString dirFolder;  // folder shown by the folder list
    QString fileFolder; // folder of the file list (the same as the folder list's in the window)
    QString fileName;   // name chosen in the file list (empty when none)
    QString typedName;  // the file name box, which names csvPath
    QString sheetName = {}; // the sheet chosen in the sheet list; empty: the workbook's first
};

struct PreviewOutcome {
    std::optional<Message> message;
    std::optional<QString> shownFile;   // set: the file's lines to show
    std::optional<QString> columnCount; // set: the computed column count to show
    bool focusIdColumn = false;         // the focus goes to the identifier's column box
    // A workbook's sheets in tab order (empty for a CSV) and the one shown.
    QStringList sheetNames;
    QString sheetName;
};


// Joins a folder and a name with exactly one '/' (none added after a root).
QString joinPath(const QString& folder, const QString& name);

PreviewOutcome preview(const PreviewInput& input, ImportWindowState& state, StudentTable& table);

// The texts of the five boxes: the column count and the column numbers.
struct ReadColumnsInput {
    QString columnCount;
    QString idColumn;
    QString nameColumn; // may be empty
    QString groupColumn;
    QString scoreColumn;
};

struct ReadColumnsOutcome {
    std::optional<Message> message;
    bool focusColumnCount = false;
    std::optional<QString> loadedText; // set: the rows read, to show
};

ReadColumnsOutcome readColumns(const ReadColumnsInput& input, ImportWindowState& state, StudentTable& table);

// The texts of the messages the two actions show.
inline const QString kDriveAndFileMessage =
    QStringLiteral("ドライブ指定、ファイル指定などがなされていますか。チェックをよろしく");
inline const QString kMissingInputMessage = QStringLiteral("入力されていない部分があります。入力し直して下さい。");
inline const QString kColumnCountMessage =
    QStringLiteral("ＣＳＶファイルの列数が違う可能性があります。もう一度確認したください。");
} // namespace classdiv
