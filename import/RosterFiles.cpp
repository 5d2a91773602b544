#include "import/RosterFiles.h"

#include "common/Numbers.h"
#include "import/Workbook.h"

#include <limits>

namespace classdiv {

namespace {

constexpr int kMaxCount = std::numeric_limits<int16_t>::max();

// NUL never occurs in a CSV; it marks a binary file that happens to decode.
bool looksBinary(const QString& text) { return text.contains(QChar(u'\0')); }

Message errorMessage(const QString& text) { return Message{text, titles::error}; }

// What the teacher is told of a sheet that could not be read (any status but Ok).
QString sheetProblemText(const WorkbookSheet& sheet, const QString& missingText)
{
    switch (sheet.status) {
    case WorkbookStatus::Ok:
        break;
    case WorkbookStatus::Unreadable:
        return missingText;
    case WorkbookStatus::FileTooLarge:
        return kFileTooLargeMessage;
    case WorkbookStatus::NotZip:
        return kNotZipMessage;
    case WorkbookStatus::NotWorkbook:
        return kNotWorkbookMessage;
    case WorkbookStatus::Encrypted:
        return kEncryptedWorkbookMessage;
    case WorkbookStatus::EncryptedOds:
        return kEncryptedOdsMessage;
    case WorkbookStatus::NoSheetPart:
        return kNoSheetPartMessage.arg(sheet.part);
    case WorkbookStatus::DocType:
        return kDocTypeMessage.arg(sheet.part);
    case WorkbookStatus::TooDeep:
        return kTooDeepMessage.arg(sheet.part);
    case WorkbookStatus::CellTooLong:
        return kCellTooLongMessage.arg(sheet.part);
    case WorkbookStatus::SheetTooLarge:
        return kSheetTooLargeMessage.arg(sheet.part);
    case WorkbookStatus::Formulas:
        return kFormulasMessage.arg(sheet.part, sheet.cells.join(QStringLiteral("、")));
    case WorkbookStatus::OldExcel:
        return kOldExcelMessage;
    case WorkbookStatus::ZipBomb:
        return kZipBombMessage;
    case WorkbookStatus::Malformed:
        return kBrokenWorkbookMessage.arg(sheet.part);
    case WorkbookStatus::NoSheet:
        return sheet.part.isEmpty() ? kNoSheetsMessage : kNoSheetMessage.arg(sheet.part);
    case WorkbookStatus::TooManyRows:
        return kSheetTooManyStudentsMessage;
    case WorkbookStatus::TooManyCells:
        return kSheetTooWideMessage;
    }
    return missingText;
}

} // namespace

LoadedSheet loadSheet(const QString& path, const QString& sheetName, const QString& missingText)
{
    LoadedSheet loaded;
    loaded.sheet = readWorkbookFile(path, sheetName, WorkbookLimits{kStudentRows, kMaxCount});
    if (loaded.sheet.status == WorkbookStatus::Ok)
        return loaded;
    loaded.message = errorMessage(sheetProblemText(loaded.sheet, missingText));
    loaded.sheet.rows.clear(); // nothing half read goes on
    return loaded;
}

LoadedFile loadFile(const QString& path, const QString& missingText, StudentTable* rememberEncoding)
{
    TextFileContent content = readTextFile(path);
    switch (content.status) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::NotFound:
    case ReadStatus::Unreadable:
        // A folder instead of a file (no file chosen) or a file that cannot
        // be opened: either way the choice of drive and file is to be checked.
        return {std::nullopt, errorMessage(missingText)};
    case ReadStatus::InvalidEncoding:
        return {std::nullopt, errorMessage(kInvalidTextMessage)};
    case ReadStatus::TooLarge:
        return {std::nullopt, errorMessage(kFileTooLargeMessage)};
    }
    if (looksBinary(content.text))
        return {std::nullopt, errorMessage(kInvalidTextMessage)};
    if (rememberEncoding)
        rememberEncoding->encoding = content.encoding;
    return {std::move(content.text), std::nullopt, content.encoding};
}

std::optional<ColumnCount> countColumns(const CsvShape& shape)
{
    if (shape.fields > kMaxCount || shape.rows < 1)
        return std::nullopt;
    return ColumnCount{int16_t(shape.fields), int16_t(roundHalfEven(double(shape.fields) / double(shape.rows)))};
}

} // namespace classdiv
