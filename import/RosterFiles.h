#pragma once
// The roster file on disk, read as the import reads it: a CSV's text or a
// workbook's sheet, or the message that replaces it. Only the roster readers
// (import/Roster.h) and the read-back of a result file open files this way.

#include "common/Message.h"
#include "common/TextFile.h"
#include "import/CsvFieldReader.h"
#include "import/StudentTable.h"
#include "import/WorkbookSheet.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace classdiv {

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
