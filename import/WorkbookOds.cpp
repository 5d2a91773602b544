// The .ods of LibreOffice: one content part holding every table.

#include "import/Workbook.h"
#include "import/WorkbookParts.h"

#include <QXmlStreamReader>

namespace classdiv::workbook {

namespace {

constexpr QStringView kTableNs = u"urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr QStringView kOfficeNs = u"urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr QStringView kTextNs = u"urn:oasis:names:tc:opendocument:xmlns:text:1.0";

// The text of a <text:p> or <text:h>: spans followed, <text:s> as its spaces,
// tabs and line breaks as themselves, notes left out.
QString paragraphText(QXmlStreamReader& xml)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::Characters) {
            text += xml.text();
        } else if (token == QXmlStreamReader::StartElement) {
            if (xml.namespaceUri() == kTextNs && xml.name() == u"s") {
                const int count = xml.attributes().hasAttribute(kTextNs.toString(), QStringLiteral("c"))
                                      ? xml.attributes().value(kTextNs.toString(), QStringLiteral("c")).toInt()
                                      : 1;
                text += QString(std::clamp(count, 1, 1000), u' ');
            } else if (xml.namespaceUri() == kTextNs && xml.name() == u"tab") {
                text += u'\t';
            } else if (xml.namespaceUri() == kTextNs && xml.name() == u"line-break") {
                text += u'\n';
            } else if (xml.name() == u"note" || xml.name() == u"annotation") {
                xml.skipCurrentElement();
                continue;
            }
            ++depth;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    return text;
}

// A <table:table-cell> as LibreOffice shows it; the reader stands on its start.
QString odsCellText(QXmlStreamReader& xml)
{
    const auto attributes = xml.attributes();
    const QString type = attributes.value(kOfficeNs.toString(), QStringLiteral("value-type")).toString();
    const QString value = attributes.value(kOfficeNs.toString(), QStringLiteral("value")).toString();
    const QString dateValue = attributes.value(kOfficeNs.toString(), QStringLiteral("date-value")).toString();
    const QString booleanValue = attributes.value(kOfficeNs.toString(), QStringLiteral("boolean-value")).toString();
    QStringList paragraphs;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == kTextNs && (xml.name() == u"p" || xml.name() == u"h"))
            paragraphs.append(paragraphText(xml));
        else
            xml.skipCurrentElement(); // notes (office:annotation) and anything else
    }
    if (type == u"float") {
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (ok)
            return generalNumber(number);
    } else if (type == u"date") {
        return isoDate(dateValue);
    } else if (type == u"boolean") {
        return booleanValue == u"true" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    }
    return paragraphs.join(u'\n');
}

} // namespace

WorkbookSheet readOds(ZipArchive& zip, const QString& wanted, const WorkbookLimits& limits)
{
    const QString contentPart = QStringLiteral("content.xml");
    const PartOutcome content = readPart(zip, contentPart);
    if (content.status == WorkbookStatus::NoSheet)
        return failed(WorkbookStatus::NotWorkbook);
    if (content.status != WorkbookStatus::Ok)
        return failed(content.status, contentPart);

    QStringList names;
    QXmlStreamReader xml(content.bytes);
    Grid grid(limits);
    bool reading = false;
    bool done = false;
    qint64 row = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && reading && xml.namespaceUri() == kTableNs &&
            xml.name() == u"table") {
            reading = false;
            done = true;
        }
        if (token != QXmlStreamReader::StartElement || xml.namespaceUri() != kTableNs)
            continue;
        if (xml.name() == u"table") {
            const QString name = xml.attributes().value(kTableNs.toString(), QStringLiteral("name")).toString();
            names.append(name);
            reading = !done && (wanted.isEmpty() || name == wanted);
            if (!reading)
                xml.skipCurrentElement();
        } else if (reading && xml.name() == u"table-row") {
            const qint64 repeated = std::max<qint64>(
                1, xml.attributes().value(kTableNs.toString(), QStringLiteral("number-rows-repeated")).toLongLong());
            std::vector<std::pair<qint64, QString>> cells;
            qint64 column = 0;
            while (xml.readNextStartElement()) {
                if (xml.namespaceUri() != kTableNs ||
                    (xml.name() != u"table-cell" && xml.name() != u"covered-table-cell")) {
                    xml.skipCurrentElement();
                    continue;
                }
                const qint64 span = std::max<qint64>(
                    1, xml.attributes()
                           .value(kTableNs.toString(), QStringLiteral("number-columns-repeated"))
                           .toLongLong());
                QString text = odsCellText(xml);
                // An empty run (LibreOffice ends every row with one as wide as the sheet) only moves on.
                if (!text.isEmpty())
                    for (qint64 c = 0; c < span && column + c < kMaxColumns + 1; ++c)
                        cells.emplace_back(column + c, text);
                column += std::min<qint64>(span, kMaxColumns + 1);
            }
            // Rows are repeated only as far as they hold something; an empty run only moves on.
            for (qint64 r = 0; r < repeated && !cells.empty(); ++r)
                for (const auto& [c, text] : cells)
                    if (!grid.set(row + r, c, text))
                        return failed(grid.status(), QString(), names);
            row += std::min<qint64>(repeated, 1 << 24);
        }
    }
    if (xml.hasError())
        return failed(WorkbookStatus::Malformed, contentPart, names);
    const qsizetype index = wanted.isEmpty() ? (names.isEmpty() ? -1 : 0) : names.indexOf(wanted);
    if (index < 0)
        return failed(WorkbookStatus::NoSheet, wanted, names);
    return laidOut(grid, names, index);
}

} // namespace classdiv::workbook
