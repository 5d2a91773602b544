#include "import/Roster.h"

#include "common/FileKinds.h"
#include "import/CsvFieldReader.h"
#include "import/RosterFiles.h"
#include "import/Workbook.h"

#include <QCryptographicHash>

namespace classdiv {

namespace {

const QStringList kNoHeader;

class CsvRosterReader final : public RosterReader {
public:
    RosterRead read(const QString& path, const QString&, const QString& missingText) const override
    {
        RosterRead read;
        LoadedFile file = loadFile(path, missingText);
        if (!file.text) {
            read.message = file.message;
            return read;
        }
        const CsvShape shape = measureCsv(*file.text);
        if (shape.rows > kStudentRows) {
            // A larger file is refused whole rather than cut off unnoticed.
            read.message = Message{kTooManyStudentsMessage, titles::error};
            return read;
        }
        auto roster = std::make_shared<Roster>();
        roster->format = RosterFormat::Csv;
        roster->sourcePath = path;
        roster->encoding = file.encoding;
        roster->rowCount = int(shape.rows);
        roster->fieldCount = int(shape.fields);
        if (const std::optional<ColumnCount> count = countColumns(shape))
            roster->columnCount = count->columns;
        // Rows of columnCount fields from the one stream, as the column reader takes
        // them; fields past the last row's are not a row.
        const qsizetype columns = roster->columnCount;
        if (columns >= 1) {
            CsvFieldReader reader(*file.text);
            while (!reader.atEnd() && int(roster->rows.size()) < roster->rowCount) {
                QStringList row;
                row.reserve(columns);
                for (qsizetype p = 0; p < columns && row.size() == p; ++p)
                    if (std::optional<QString> field = reader.readField())
                        row.append(std::move(*field));
                if (row.size() < columns) {
                    roster->rows.clear(); // the fields do not fill whole rows
                    break;
                }
                roster->rows.push_back(std::move(row));
            }
            if (int(roster->rows.size()) != roster->rowCount)
                roster->rows.clear();
        }
        roster->fingerprint = roster->rows.empty()
                                  ? QCryptographicHash::hash(file.text->toUtf8(), QCryptographicHash::Sha1).toHex()
                                  : rosterFingerprint(roster->rows);
        roster->text = std::move(*file.text);
        read.roster = std::move(roster);
        return read;
    }
};

// Excel's and LibreOffice's workbooks: the sheet reader tells the two apart by their parts.
class WorkbookRosterReader final : public RosterReader {
public:
    explicit WorkbookRosterReader(RosterFormat format) : m_format(format) {}
    RosterRead read(const QString& path, const QString& sheetName, const QString& missingText) const override
    {
        RosterRead read;
        LoadedSheet loaded = loadSheet(path, sheetName, missingText);
        auto roster = std::make_shared<Roster>();
        roster->format = m_format;
        roster->sourcePath = path;
        roster->sheetNames = loaded.sheet.sheetNames;
        roster->sheetName = loaded.sheet.sheetName;
        if (loaded.message) {
            read.message = loaded.message;
            read.roster = std::move(roster); // the sheets named, nothing read
            return read;
        }
        roster->encoding = TextEncoding::Utf8;
        roster->rowCount = int(loaded.sheet.rows.size());
        const qsizetype width = loaded.sheet.rows.empty() ? 0 : loaded.sheet.rows.front().size();
        roster->fieldCount = int(width * roster->rowCount);
        if (const std::optional<ColumnCount> count = countColumns(CsvShape{width * roster->rowCount, roster->rowCount}))
            roster->columnCount = count->columns;
        roster->rows = std::move(loaded.sheet.rows);
        roster->phonetics = std::move(loaded.sheet.phonetics);
        roster->fingerprint = rosterFingerprint(roster->rows);
        read.roster = std::move(roster);
        return read;
    }

private:
    RosterFormat m_format;
};

} // namespace

const QStringList& Roster::header() const { return rows.empty() ? kNoHeader : rows.front(); }

QByteArray rosterFingerprint(const std::vector<QStringList>& rows)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QStringList& row : rows) {
        for (const QString& cell : row) {
            hash.addData(QByteArrayView(reinterpret_cast<const char*>(cell.utf16()), cell.size() * 2));
            hash.addData(QByteArrayView("\0\x1f", 2));
        }
        hash.addData(QByteArrayView("\0\x1e", 2));
    }
    return hash.result().toHex();
}

const RosterReader& rosterReaderFor(const QString& path)
{
    static const CsvRosterReader csv;
    static const WorkbookRosterReader xlsx(RosterFormat::Xlsx);
    static const WorkbookRosterReader ods(RosterFormat::Ods);
    if (!isWorkbookName(path))
        return csv;
    return fileKindOf(path) == FileKind::Ods ? ods : xlsx;
}

RosterRead readRoster(const QString& path, const QString& sheetName, const QString& missingText)
{
    return rosterReaderFor(path).read(path, sheetName, missingText);
}

} // namespace classdiv
