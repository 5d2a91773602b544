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

} // namespace

LoadedSheet loadSheet(const QString& path, const QString& sheetName, const QString& missingText)
{
    LoadedSheet loaded;
    loaded.sheet = readWorkbookFile(path, sheetName, WorkbookLimits{kStudentRows, kMaxCount});
    const WorkbookSheet& sheet = loaded.sheet;
    switch (sheet.status) {
    case WorkbookStatus::Ok:
        return loaded;
    case WorkbookStatus::Unreadable:
        loaded.message = errorMessage(missingText);
        break;
    case WorkbookStatus::FileTooLarge:
        loaded.message = errorMessage(kFileTooLargeMessage);
        break;
    case WorkbookStatus::NotZip:
        loaded.message = errorMessage(kNotZipMessage);
        break;
    case WorkbookStatus::NotWorkbook:
        loaded.message = errorMessage(kNotWorkbookMessage);
        break;
    case WorkbookStatus::Encrypted:
        loaded.message = errorMessage(kEncryptedWorkbookMessage);
        break;
    case WorkbookStatus::EncryptedOds:
        loaded.message = errorMessage(kEncryptedOdsMessage);
        break;
    case WorkbookStatus::NoSheetPart:
        loaded.message = errorMessage(kNoSheetPartMessage.arg(sheet.part));
        break;
    case WorkbookStatus::DocType:
        loaded.message = errorMessage(kDocTypeMessage.arg(sheet.part));
        break;
    case WorkbookStatus::TooDeep:
        loaded.message = errorMessage(kTooDeepMessage.arg(sheet.part));
        break;
    case WorkbookStatus::CellTooLong:
        loaded.message = errorMessage(kCellTooLongMessage.arg(sheet.part));
        break;
    case WorkbookStatus::SheetTooLarge:
        loaded.message = errorMessage(kSheetTooLargeMessage.arg(sheet.part));
        break;
    case WorkbookStatus::Formulas:
        loaded.message = errorMessage(kFormulasMessage.arg(sheet.part, sheet.cells.join(QStringLiteral("、"))));
        break;
    case WorkbookStatus::OldExcel:
        loaded.message = errorMessage(kOldExcelMessage);
        break;
    case WorkbookStatus::ZipBomb:
        loaded.message = errorMessage(kZipBombMessage);
        break;
    case WorkbookStatus::Malformed:
        loaded.message = errorMessage(kBrokenWorkbookMessage.arg(sheet.part));
        break;
    case WorkbookStatus::NoSheet:
        loaded.message = errorMessage(sheet.part.isEmpty() ? kNoSheetsMessage : kNoSheetMessage.arg(sheet.part));
        break;
    case WorkbookStatus::TooManyRows:
        loaded.message = errorMessage(kSheetTooManyStudentsMessage);
        break;
    case WorkbookStatus::TooManyCells:
        loaded.message = errorMessage(kSheetTooWideMessage);
        break;
    }
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
