#include "import/ImportActions.h"

#include "common/Numbers.h"
#include "common/TextFile.h"
#include "import/CsvFieldReader.h"

#include <algorithm>
#include <array>
#include <limits>

namespace classdiv {

namespace {

constexpr int kMaxCount = std::numeric_limits<int16_t>::max();

// NUL never occurs in a CSV; it marks a binary file that happens to decode.
bool looksBinary(const QString& text) { return text.contains(QChar(u'\0')); }

Message errorMessage(const QString& text) { return Message{text, titles::error}; }

// A sheet's rows as one stream of fields, row after row, as the field reader
// gives a CSV's: the column reader takes both the same way.
class SheetFieldReader {
public:
    explicit SheetFieldReader(const std::vector<QStringList>& rows) : m_rows(rows) {}
    bool atEnd() const { return m_row >= m_rows.size(); }
    std::optional<QString> readField()
    {
        if (atEnd())
            return std::nullopt;
        QString field = m_rows[m_row].value(m_column);
        if (++m_column >= m_rows[m_row].size()) {
            m_column = 0;
            ++m_row;
        }
        return field;
    }

private:
    const std::vector<QStringList>& m_rows;
    size_t m_row = 0;
    qsizetype m_column = 0;
};

// The preview's text of a sheet: its rows as comma-separated lines.
QString sheetText(const std::vector<QStringList>& rows)
{
    QString text;
    for (const QStringList& row : rows) {
        text += row.join(u',');
        text += QStringLiteral("\r\n");
    }
    return text;
}

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

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return name;
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

namespace {

// The preview of a workbook: its sheet's rows stand where a CSV's records
// stand, the files written for it are UTF-8 so that nothing it held is lost.
PreviewOutcome previewSheet(const PreviewInput& input, ImportWindowState& state, StudentTable& table)
{
    PreviewOutcome outcome;
    state.sheetName.clear();
    table.sheetName.clear();
    LoadedSheet loaded = loadSheet(state.sourcePath, input.sheetName, kDriveAndFileMessage);
    outcome.sheetNames = loaded.sheet.sheetNames;
    outcome.sheetName = loaded.sheet.sheetName;
    if (loaded.message) {
        outcome.message = loaded.message;
        return outcome;
    }
    const std::vector<QStringList>& rows = loaded.sheet.rows;
    if (rows.empty())
        return outcome; // an empty sheet: no column count can be formed
    table.encoding = TextEncoding::Utf8;
    table.sheetName = loaded.sheet.sheetName;
    state.sheetName = loaded.sheet.sheetName;
    state.previewText = sheetText(rows);
    table.lineCount = int16_t(rows.size());
    const std::optional<ColumnCount> count =
        countColumns(CsvShape{qsizetype(rows.size()) * rows.front().size(), qsizetype(rows.size())});
    if (!count)
        return outcome;
    state.fieldCount = count->fields;
    state.columnCount = count->columns;
    outcome.columnCount = plainInteger(state.columnCount);
    outcome.shownFile = state.previewText;
    outcome.focusIdColumn = true;
    return outcome;
}

} // namespace

PreviewOutcome preview(const PreviewInput& input, ImportWindowState& state, StudentTable& table)
{
    PreviewOutcome outcome;

    // 1. The file read comes from the lists; the name kept comes from the name box.
    state.sourcePath = joinPath(input.dirFolder, input.fileName);
    table.csvPath = joinPath(input.fileFolder, input.typedName);

    // 2.
    state.previewText.clear();
    table.lineCount = 0;
    state.fieldCount = 0;

    if (isWorkbookName(state.sourcePath))
        return previewSheet(input, state, table);

    // 3. The lines.
    LoadedFile file = loadFile(state.sourcePath, kDriveAndFileMessage, &table);
    if (!file.text) {
        outcome.message = file.message;
        return outcome;
    }
    // A student is a row of the CSV: a note cell holding a line break (Alt+Enter
    // in a spreadsheet) makes two lines of the file but stays one row.
    const QStringList lines = splitLines(*file.text);
    const CsvShape shape = measureCsv(*file.text);
    if (shape.rows > kStudentRows) {
        // The table holds 500 students; a larger file is refused whole
        // rather than cut off unnoticed.
        outcome.message = errorMessage(kTooManyStudentsMessage);
        return outcome;
    }
    if (lines.isEmpty())
        return outcome; // an empty file: no column count can be formed
    QString previewText;
    previewText.reserve(file.text->size() + lines.size());
    for (const QString& line : lines) {
        previewText += line;
        previewText += QStringLiteral("\r\n");
    }
    state.previewText = std::move(previewText);
    table.lineCount = int16_t(shape.rows);

    // 4., 5.
    const std::optional<ColumnCount> count = countColumns(shape);
    if (!count)
        return outcome; // the field count no longer fits: ends silently
    state.fieldCount = count->fields;
    state.columnCount = count->columns;

    // 6.
    outcome.columnCount = plainInteger(state.columnCount);
    outcome.shownFile = state.previewText;
    outcome.focusIdColumn = true;
    return outcome;
}

namespace {

// 5. A row is n fields from the stream, whatever the line structure.
template <class FieldReader>
void readRecords(FieldReader& reader, const ReadColumnsInput& input, ImportWindowState& state, StudentTable& table,
                 ReadColumnsOutcome& outcome)
{
    using Item = QString StudentRecord::*;
    static constexpr std::array<Item, 4> items{
        &StudentRecord::studentId, &StudentRecord::name, &StudentRecord::group, &StudentRecord::score};
    const std::array<const QString*, 4> boxes{&input.idColumn, &input.nameColumn, &input.groupColumn, &input.scoreColumn};

    QString& loadedText = state.loadedText;
    for (int row = 0; !reader.atEnd(); ++row) {
        if (row >= kStudentRows)
            return; // past the table's last row: ends silently
        const std::optional<int16_t> n = boxNumber(input.columnCount);
        if (!n)
            return;
        std::array<int, 4> columns{};
        if (*n >= 1) {
            for (size_t k = 0; k < boxes.size(); ++k) {
                const std::optional<int16_t> column = boxNumber(*boxes[k]);
                if (!column)
                    return;
                columns[k] = *column;
            }
        }
        StudentRecord& record = table.records.at(row);
        for (int p = 1; p <= *n; ++p) {
            std::optional<QString> field = reader.readField();
            if (!field) {
                outcome.message = errorMessage(kColumnCountMessage);
                outcome.focusColumnCount = true;
                return;
            }
            // The first box naming this column takes the field.
            for (size_t k = 0; k < items.size(); ++k) {
                if (columns[k] == p) {
                    record.*items[k] = *field;
                    break;
                }
            }
        }
        loadedText += record.studentId + u',' + record.name + u',' + record.group + u',' + record.score
            + QStringLiteral("\r\n");
    }

    // 6.
    outcome.loadedText = loadedText;
}

} // namespace

ReadColumnsOutcome readColumns(const ReadColumnsInput& input, ImportWindowState& state, StudentTable& table)
{
    ReadColumnsOutcome outcome;

    // 1., 2. Clearing comes before any check.
    state.loadedText.clear();
    const int clearRows = std::min<int>(table.lineCount, kStudentRows);
    for (int row = 0; row < clearRows; ++row) {
        StudentRecord& record = table.records.at(row);
        record.studentId.clear();
        record.name.clear();
        record.group.clear();
        record.score.clear();
    }
    if (table.lineCount > kStudentRows)
        return outcome; // past the table's last row

    // 3. The name column may stay empty.
    if (input.columnCount.isEmpty() || input.idColumn.isEmpty() || input.groupColumn.isEmpty() || input.scoreColumn.isEmpty()) {
        outcome.message = Message{kMissingInputMessage, titles::reenter};
        outcome.focusColumnCount = true;
        return outcome;
    }

    // 4. Without a preview there is nothing to open, and nothing is said.
    if (state.sourcePath.isEmpty())
        return outcome;
    if (isWorkbookName(state.sourcePath)) {
        const LoadedSheet loaded = loadSheet(state.sourcePath, state.sheetName, kFileGoneMessage);
        if (loaded.message) {
            outcome.message = loaded.message;
            return outcome;
        }
        SheetFieldReader reader(loaded.sheet.rows);
        readRecords(reader, input, state, table, outcome);
        return outcome;
    }
    LoadedFile file = loadFile(state.sourcePath, kFileGoneMessage, nullptr);
    if (!file.text) {
        // The file changed since the preview: say so rather than do nothing.
        outcome.message = file.message;
        return outcome;
    }
    if (measureCsv(*file.text).rows > kStudentRows) {
        outcome.message = errorMessage(kTooManyStudentsMessage);
        return outcome;
    }

    CsvFieldReader reader(*file.text);
    readRecords(reader, input, state, table, outcome);
    return outcome;
}

} // namespace classdiv
