#pragma once
// The roster: the file of the year's students, read once when the teacher
// loads it and kept in memory. The preview, the column reader, the year, the
// rule columns, the papers and the drafts all take their rows from here; the
// file is opened again only when the teacher loads it again.
//
// One reader a format (a CSV, an Excel .xlsx, a LibreOffice .ods) behind one
// interface; each gives the same Roster or the message that replaces it.

#include "common/Message.h"
#include "common/TextFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace classdiv {

enum class RosterFormat { Csv, Xlsx, Ods };

struct Roster {
    RosterFormat format = RosterFormat::Csv;
    QString sourcePath; // the file read
    QString sheetName;  // a workbook's sheet read
    QStringList sheetNames; // a workbook's sheets in tab order
    TextEncoding encoding = TextEncoding::Cp932; // a CSV's; a workbook's files are written as UTF-8
    // A CSV's text as decoded: the column reader takes its fields from it as
    // from the file, whatever column count the teacher types.
    QString text;
    int rowCount = 0;       // rows, the header's included (a CSV's as the field reader counts them)
    int fieldCount = 0;     // every field of the file
    int16_t columnCount = 0; // the fields divided by the rows, as the preview shows it
    // Rows of columnCount cells, row 0 the header; empty when the fields do not
    // fill whole rows (the column reader can still read the students).
    std::vector<QStringList> rows;
    std::vector<QStringList> phonetics; // an .xlsx's furigana, laid out as rows; empty when none
    // What the rows held when read: equal fingerprints, the same roster.
    QByteArray fingerprint;

    const QStringList& header() const;
    int studentCount() const { return rowCount > 1 ? rowCount - 1 : 0; }
};

struct RosterRead {
    std::shared_ptr<const Roster> roster; // null when the message replaces it
    std::optional<Message> message;
};

class RosterReader {
public:
    virtual ~RosterReader() = default;
    // missingText: the message for a file that cannot be opened.
    virtual RosterRead read(const QString& path, const QString& sheetName, const QString& missingText) const = 0;
};

// The reader of the file's format, by its name.
const RosterReader& rosterReaderFor(const QString& path);
RosterRead readRoster(const QString& path, const QString& sheetName, const QString& missingText);

// The fingerprint of rows of cells: a hash of every cell in order.
QByteArray rosterFingerprint(const std::vector<QStringList>& rows);

} // namespace classdiv
