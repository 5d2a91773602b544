// The .ods of LibreOffice: one content part holding every table.

#include "import/Workbook.h"
#include "import/WorkbookParts.h"
#include "import/WorkbookXml.h"

#include <QXmlStreamReader>

namespace classdiv::workbook {

namespace {

constexpr QStringView kTableNs = u"urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr QStringView kOfficeNs = u"urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr QStringView kTextNs = u"urn:oasis:names:tc:opendocument:xmlns:text:1.0";

// The text of a <text:p> or <text:h> added to text: spans followed,
// <text:s> as its spaces, tabs and line breaks as themselves, notes left
// out; false (the reading stopped) once the cell passes its length.
bool addParagraph(PartXml& part, QString& text)
{
    QXmlStreamReader& xml = part.xml();
    int depth = 1;
    while (depth > 0 && !part.atEnd()) {
        const auto token = part.next();
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
                part.skipElement();
                continue;
            }
            ++depth;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
        if (text.size() > kMaxCellChars) {
            part.stop(WorkbookStatus::CellTooLong);
            return false;
        }
    }
    return !xml.hasError();
}

struct OdsCell {
    QString text;
    bool uncachedFormula = false; // a formula written without its value
};

// A <table:table-cell> as LibreOffice shows it; the reader stands on its start.
OdsCell odsCellText(PartXml& part)
{
    QXmlStreamReader& xml = part.xml();
    const auto attributes = xml.attributes();
    const QString office = kOfficeNs.toString();
    const QString type = attributes.value(office, QStringLiteral("value-type")).toString();
    const bool hasValue = attributes.hasAttribute(office, QStringLiteral("value"));
    const QString value = attributes.value(office, QStringLiteral("value")).toString();
    const QString dateValue = attributes.value(office, QStringLiteral("date-value")).toString();
    const QString booleanValue = attributes.value(office, QStringLiteral("boolean-value")).toString();
    const bool formula = attributes.hasAttribute(kTableNs.toString(), QStringLiteral("formula"));
    QString text;
    bool first = true;
    while (part.nextStartElement()) {
        if (xml.namespaceUri() == kTextNs && (xml.name() == u"p" || xml.name() == u"h")) {
            if (!first)
                text += u'\n';
            first = false;
            if (!addParagraph(part, text))
                return {};
        } else {
            part.skipElement(); // notes (office:annotation) and anything else
        }
    }
    // LibreOffice writes a formula's last value beside it; a script may write the formula alone.
    const bool numeric = type == u"float" || type == u"percentage" || type == u"currency";
    if (formula && (type.isEmpty() || (numeric && !hasValue) || (type == u"date" && dateValue.isEmpty()) ||
                    (type == u"boolean" && booleanValue.isEmpty())))
        return {QString(), true};
    if (type == u"float") {
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (ok)
            return {generalNumber(number)};
    } else if (type == u"date") {
        return {isoDate(dateValue)};
    } else if (type == u"boolean") {
        return {booleanValue == u"true" ? QStringLiteral("TRUE") : QStringLiteral("FALSE")};
    }
    return {text};
}

// Whether the manifest says the parts are encrypted (a password-protected .ods).
bool encryptedOds(ZipArchive& zip)
{
    PartXml manifest(zip, QStringLiteral("META-INF/manifest.xml"));
    while (!manifest.atEnd())
        if (manifest.next() == QXmlStreamReader::StartElement && manifest.xml().name() == u"encryption-data")
            return true;
    return false;
}

// The cells of one table row that hold text, by column; its formulas without a value noted.
std::vector<std::pair<qint64, QString>> readOdsRow(PartXml& content, qint64 row, FormulaCells& formulas)
{
    QXmlStreamReader& xml = content.xml();
    std::vector<std::pair<qint64, QString>> cells;
    qint64 column = 0;
    while (content.nextStartElement()) {
        if (xml.namespaceUri() != kTableNs || (xml.name() != u"table-cell" && xml.name() != u"covered-table-cell")) {
            content.skipElement();
            continue;
        }
        const qint64 span = std::max<qint64>(
            1, xml.attributes().value(kTableNs.toString(), QStringLiteral("number-columns-repeated")).toLongLong());
        const OdsCell cell = odsCellText(content);
        if (cell.uncachedFormula)
            formulas.add(row, column);
        // An empty run (LibreOffice ends every row with one as wide as the sheet) only moves on.
        if (!cell.text.isEmpty())
            for (qint64 c = 0; c < span && column + c < kMaxColumns + 1; ++c)
                cells.emplace_back(column + c, cell.text);
        column += std::min<qint64>(span, kMaxColumns + 1);
    }
    return cells;
}

} // namespace

WorkbookSheet readOds(ZipArchive& zip, const QString& wanted, const WorkbookLimits& limits)
{
    const QString contentPart = QStringLiteral("content.xml");
    QStringList names;
    Grid grid(limits);
    FormulaCells formulas;
    PartXml content(zip, contentPart);
    QXmlStreamReader& xml = content.xml();
    bool reading = false;
    bool done = false;
    qint64 row = 0;
    while (!content.atEnd()) {
        const auto token = content.next();
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
                content.skipElement();
        } else if (reading && xml.name() == u"table-row") {
            const qint64 repeated = std::max<qint64>(
                1, xml.attributes().value(kTableNs.toString(), QStringLiteral("number-rows-repeated")).toLongLong());
            const std::vector<std::pair<qint64, QString>> cells = readOdsRow(content, row, formulas);
            // Rows are repeated only as far as they hold something; an empty run only moves on.
            for (qint64 r = 0; r < repeated && !cells.empty(); ++r)
                for (const auto& [c, text] : cells)
                    if (!grid.set(row + r, c, text))
                        return failed(grid.status(), names.value(names.size() - 1), names);
            row += std::min<qint64>(repeated, 1 << 24);
        }
    }
    const WorkbookStatus status = content.outcome();
    // Encrypted parts read as broken ones, or (a whole package encrypted) are not there at all.
    if (status != WorkbookStatus::Ok && encryptedOds(zip))
        return failed(WorkbookStatus::EncryptedOds);
    if (status == WorkbookStatus::NoSheet)
        return failed(WorkbookStatus::NotWorkbook);
    if (status != WorkbookStatus::Ok)
        return failed(status, status == WorkbookStatus::CellTooLong ? names.value(names.size() - 1) : contentPart,
                      names);
    const qsizetype index = wanted.isEmpty() ? (names.isEmpty() ? -1 : 0) : names.indexOf(wanted);
    if (index < 0)
        return failed(WorkbookStatus::NoSheet, wanted, names);
    if (formulas.count > 0)
        return refusedForFormulas(names[index], names, formulas);
    return laidOut(grid, names, index);
}

} // namespace classdiv::workbook
