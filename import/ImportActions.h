#pragma once
// The actions of the import window: preview and reading the four columns.

#include "common/Message.h"
#include "import/CsvFieldReader.h"
#include "import/StudentTable.h"
#include "import/Workbook.h"

#include <QString>

#include <cstdint>
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

// A CSV read as the import reads it, or the message that replaces it:
// missingText when it cannot be opened, the import's own texts for bytes that
// are no text and for a file too large. rememberEncoding, when given, takes
// the file's encoding.
struct LoadedFile {
    std::optional<QString> text;
    std::optional<Message> message;
    TextEncoding encoding = TextEncoding::Cp932;
};
LoadedFile loadFile(const QString& path, const QString& missingText, StudentTable* rememberEncoding = nullptr);

// The rows of a workbook's sheet as the import reads them (at most
// kStudentRows rows, the field count within 16 bits), or the message that
// replaces them: one for each way a workbook cannot be read.
struct LoadedSheet {
    std::optional<Message> message;
    WorkbookSheet sheet;
};
LoadedSheet loadSheet(const QString& path, const QString& sheetName, const QString& missingText);

// The preview's count: the fields of the whole text, read with the field
// reader, and their number divided by the rows, rounded half to even.
// nullopt when there are more than 32767 fields or no row.
struct ColumnCount {
    int16_t fields = 0;
    int16_t columns = 0;
};
std::optional<ColumnCount> countColumns(const CsvShape& shape);

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
inline const QString kTooManyStudentsMessage = QStringLiteral(
    "このＣＳＶファイルは５０１行を超えています。\n"
    "このプログラムで扱える生徒は５００人まで（項目名の１行と生徒５００行）です。\n"
    "ファイルは読み込みませんでした。");
inline const QString kInvalidTextMessage = QStringLiteral(
    "このファイルには文字として読めない部分があります。\n"
    "Shift-JIS または UTF-8 で保存したＣＳＶファイルを選んでください。");
inline const QString kFileTooLargeMessage = QStringLiteral(
    "ファイルが大きすぎて読み込めません。目的のＣＳＶファイルかどうか確認してください。");
inline const QString kFileGoneMessage = QStringLiteral(
    "ＣＳＶファイルを開けませんでした。ファイルが移動・削除されていないか確認し、\n"
    "もう一度「項目名確認」のボタンからやり直してください。");

inline const QString kNotZipMessage = QStringLiteral(
    "このファイルは Excel のブック (.xlsx) や LibreOffice のブック (.ods) として読めません。\n"
    "ファイルが壊れていないか、目的のファイルかどうか確認してください。");
inline const QString kNotWorkbookMessage = QStringLiteral(
    "このファイルの中には表計算のシートがありません。\n"
    "Excel (.xlsx) または LibreOffice (.ods) で保存した名簿のブックを選んでください。");
inline const QString kEncryptedWorkbookMessage = QStringLiteral(
    "このブックにはパスワードが設定されているため読み込めません。\n"
    "Excel でブックを開き、「ファイル」→「情報」→「ブックの保護」→「パスワードを使用して暗号化」で"
    "パスワードを消して保存してから、もう一度選んでください。");
inline const QString kEncryptedOdsMessage = QStringLiteral(
    "このブックにはパスワードが設定されているため読み込めません。\n"
    "LibreOffice でブックを開き、「ファイル」→「名前を付けて保存」で「パスワード付きで保存」の印を外して"
    "保存してから、もう一度選んでください。");
inline const QString kOldExcelMessage = QStringLiteral(
    "このファイルは古い形式の Excel ブック (.xls) なので読み込めません。\n"
    "Excel で開いて「名前を付けて保存」で「Excel ブック (*.xlsx)」か「CSV UTF-8」を選んで保存し、"
    "そのファイルを選んでください。");
inline const QString kZipBombMessage = QStringLiteral(
    "このブックは展開すると大きくなりすぎるため読み込みませんでした。\n"
    "生徒の名簿のブックかどうか確認してください。");
inline const QString kBrokenWorkbookMessage = QStringLiteral(
    "このブックは壊れているため読み込めません（%1 の中身が正しくありません）。\n"
    "表計算ソフトで開いて保存し直してから、もう一度選んでください。");
inline const QString kNoSheetMessage = QStringLiteral(
    "ブックにシート「%1」がありません。\n"
    "「項目名確認」のボタンからやり直してください。");
inline const QString kNoSheetPartMessage = QStringLiteral(
    "ブックにシート「%1」の名前はありますが、その中身がありません（ブックが壊れています）。\n"
    "表計算ソフトで開いて保存し直してから、もう一度選んでください。");
inline const QString kDocTypeMessage = QStringLiteral(
    "このブックは読み込めません（%1 に、表計算ソフトが書くことのない DOCTYPE 宣言があります）。\n"
    "生徒の名簿のブックかどうか確認してください。");
inline const QString kTooDeepMessage = QStringLiteral(
    "このブックは読み込めません（%1 の中の入れ子が深すぎるか、区切りのない文字が長すぎて、"
    "表計算ソフトが書く形ではありません）。\n"
    "生徒の名簿のブックかどうか確認してください。");
inline const QString kCellTooLongMessage = QStringLiteral(
    "シート「%1」に、32,767 文字（Excel のセルに入る文字数）を超えるセルがあるため読み込めません。\n"
    "生徒の名簿のブックかどうか確認してください。");
inline const QString kSheetTooLargeMessage = QStringLiteral(
    "シート「%1」のセルの文字が多すぎて読み込めません。\n"
    "名簿に使わない列を消したブックを保存して、もう一度選んでください。");
inline const QString kFormulasMessage = QStringLiteral(
    "シート「%1」に、計算した値が保存されていない数式があります（%2）。\n"
    "このままでは空欄として読むことになるので、読み込みませんでした。\n"
    "Excel か LibreOffice Calc でブックを開いて保存し直してから、もう一度選んでください。");
inline const QString kNoSheetsMessage = QStringLiteral("このブックには読み込めるシートがありません。");
inline const QString kSheetTooManyStudentsMessage = QStringLiteral(
    "このシートは５０１行を超えています。\n"
    "このプログラムで扱える生徒は５００人まで（項目名の１行と生徒５００行）です。\n"
    "ファイルは読み込みませんでした。");
inline const QString kSheetTooWideMessage = QStringLiteral(
    "このシートは列が多すぎて読み込めません。\n"
    "名簿に使わない列を消したブックを保存して、もう一度選んでください。");

} // namespace classdiv
