#include "import/ImportActions.h"

#include "common/Numbers.h"
#include "common/TextFile.h"
#include "import/CsvFieldReader.h"

#include <algorithm>
#include <array>
#include <limits>

namespace classdiv {

namespace {

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
PreviewOutcome previewSheet(const Roster& roster, ImportWindowState& state, StudentTable& table)
{
    PreviewOutcome outcome;
    outcome.sheetNames = roster.sheetNames;
    outcome.sheetName = roster.sheetName;
    const std::vector<QStringList>& rows = roster.rows;
    if (rows.empty())
        return outcome; // an empty sheet: no column count can be formed
    table.encoding = TextEncoding::Utf8;
    table.sheetName = roster.sheetName;
    state.sheetName = roster.sheetName;
    state.previewText = sheetText(rows);
    table.lineCount = int16_t(rows.size());
    if (roster.columnCount < 1 && roster.fieldCount > 0)
        return outcome; // the field count no longer fits
    state.fieldCount = int16_t(roster.fieldCount);
    state.columnCount = roster.columnCount;
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
    state.sheetName.clear();
    table.sheetName.clear();
    state.roster.reset();
    table.roster.reset();

    // 3. The roster, read once: the column reader and every later step take it from here.
    RosterRead read = readRoster(state.sourcePath, input.sheetName, kDriveAndFileMessage);
    if (read.roster) {
        outcome.sheetNames = read.roster->sheetNames;
        outcome.sheetName = read.roster->sheetName;
    }
    if (read.message) {
        outcome.message = read.message;
        return outcome;
    }
    const Roster& roster = *read.roster;
    state.roster = read.roster;
    table.roster = read.roster;
    if (roster.format != RosterFormat::Csv)
        return previewSheet(roster, state, table);
    table.encoding = roster.encoding;

    // A student is a row of the CSV: a note cell holding a line break (Alt+Enter
    // in a spreadsheet) makes two lines of the file but stays one row.
    const QStringList lines = splitLines(roster.text);
    if (lines.isEmpty())
        return outcome; // an empty file: no column count can be formed
    QString previewText;
    previewText.reserve(roster.text.size() + lines.size());
    for (const QString& line : lines) {
        previewText += line;
        previewText += QStringLiteral("\r\n");
    }
    state.previewText = std::move(previewText);
    table.lineCount = int16_t(roster.rowCount);

    // 4., 5.
    if (roster.columnCount < 1)
        return outcome; // the field count no longer fits: ends silently
    state.fieldCount = int16_t(roster.fieldCount);
    state.columnCount = roster.columnCount;

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

    // 4. Without a preview there is nothing to read, and nothing is said. The
    // rows are the roster's as the preview read it: the file is not opened again.
    if (state.sourcePath.isEmpty() || !state.roster)
        return outcome;
    const Roster& roster = *state.roster;
    table.roster = state.roster;
    if (roster.format != RosterFormat::Csv) {
        SheetFieldReader reader(roster.rows);
        readRecords(reader, input, state, table, outcome);
        return outcome;
    }
    CsvFieldReader reader(roster.text);
    readRecords(reader, input, state, table, outcome);
    return outcome;
}

} // namespace classdiv
