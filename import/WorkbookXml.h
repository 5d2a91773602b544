#pragma once
// The XML of one part of a workbook, read as it inflates and under budgets:
// a DOCTYPE is refused at once (neither OOXML nor ODF has any, and its
// entities could grow a few kilobytes into gigabytes), elements may nest
// only so deep, and a text taken whole stops at a cell's length.
// Used by the workbook's format readers only.

#include "import/WorkbookSheet.h"
#include "import/ZipArchive.h"

#include <QString>
#include <QXmlStreamReader>

#include <memory>
#include <optional>

namespace classdiv::workbook {

// Deeper than anything a spreadsheet program writes (a cell's text in an
// .ods is about a dozen levels down).
inline constexpr int kMaxDepth = 100;
// Excel's own limit for the text of a cell.
inline constexpr qsizetype kMaxCellChars = 32767;
// The XML reader holds a text, a comment or an attribute whole before it
// gives it on; a run of bytes without markup longer than any cell can be
// written (32,767 characters, each a character reference at worst) stops the part.
inline constexpr qint64 kMaxRunBytes = 1024 * 1024;

class MarkupRuns;

class PartXml {
public:
    // Opens the part; opened() is false when it cannot be read, and
    // outcome() then says why (NoSheet for a part that is not there).
    PartXml(ZipArchive& zip, const QString& name);
    ~PartXml();

    bool opened() const { return m_stream != nullptr; }
    const QString& name() const { return m_name; }
    QXmlStreamReader& xml() { return m_xml; }
    bool atEnd() const { return m_xml.atEnd(); }

    // The next token; a DOCTYPE or nesting past kMaxDepth stops the reading.
    QXmlStreamReader::TokenType next();
    // As QXmlStreamReader's: true at the next child's start, false at the
    // end of the current element.
    bool nextStartElement();
    // Past the end of the element whose start was just read.
    void skipElement();
    // The characters of the element whose start was just read, its
    // children's included; nullopt past kMaxCellChars (the reading stops).
    std::optional<QString> elementText();
    // Stops the reading with that status.
    void stop(WorkbookStatus status);

    // Ok when the part was read whole and sound; otherwise why not. A
    // part read to its end has its checksum checked.
    WorkbookStatus outcome();

private:
    QString m_name;
    std::unique_ptr<ZipPartStream> m_stream;
    std::unique_ptr<MarkupRuns> m_runs;
    QXmlStreamReader m_xml;
    int m_depth = 0;
    WorkbookStatus m_status = WorkbookStatus::Ok;
};

} // namespace classdiv::workbook
