// The .xlsx of Excel: the package's relationships lead to the workbook, its
// relationships to the sheets, the shared strings and the styles.

#include "import/Workbook.h"
#include "import/WorkbookParts.h"
#include "import/WorkbookReadings.h"
#include "import/XlsxParts.h"

namespace classdiv::workbook {

namespace {

struct XlsxContext {
    Styles styles;
    bool from1904 = false;
};

// The text of one <c> as Excel shows it, once its parts are read; shared
// strings are left to the grid.
std::optional<QString> cellText(const XlsxContext& context, const QString& type, int style, const QString& value,
                                const QString& inlineText)
{
    if (type == u"inlineStr")
        return inlineText;
    if (type == u"str" || type == u"e")
        return decodeEscapes(value);
    if (type == u"b")
        return value.trimmed() == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (type == u"d")
        return isoDate(value.trimmed());
    if (value.isEmpty())
        return QString();
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    if (style >= 0 && size_t(style) < context.styles.dateStyle.size() && context.styles.dateStyle[size_t(style)]) {
        const QString date = serialDate(number, context.from1904);
        if (!date.isEmpty())
            return date;
    }
    return generalNumber(number);
}

struct SheetRead {
    WorkbookStatus status = WorkbookStatus::Ok; // Malformed also for a cell that makes no sense
    FormulaCells formulas;                      // without a value
};

// One <c> of a worksheet into the grid, its furigana into `readings`; row
// and column follow it. False when reading stops: the cell makes no sense
// (read.status says so), the XML is broken, or the grid reached a limit.
bool readCell(PartXml& part, const XlsxContext& context, Grid& grid, Grid& readings, qint64& row, qint64& column,
              SheetRead& read)
{
    QXmlStreamReader& xml = part.xml();
    const auto attributes = xml.attributes();
    if (row < 0)
        row = 0;
    const auto reference = attributes.value(QLatin1String("r"));
    if (reference.isEmpty()) {
        ++column;
    } else {
        const auto position = cellPosition(reference);
        if (!position) {
            read.status = WorkbookStatus::Malformed;
            return false;
        }
        row = position->first;
        column = position->second;
    }
    const QString type = attributes.value(QLatin1String("t")).toString();
    const int style = attributes.hasAttribute(QLatin1String("s")) ? attributes.value(QLatin1String("s")).toInt() : -1;
    std::optional<QString> value;
    QString inlineText;
    QString reading;
    bool formula = false;
    while (part.nextStartElement()) {
        if (xml.name() == u"v") {
            value = part.elementText();
        } else if (xml.name() == u"is") {
            inlineText = stringItem(part, &reading).value_or(QString());
        } else {
            formula = formula || xml.name() == u"f";
            part.skipElement();
        }
    }
    if (xml.hasError())
        return false;
    // A formula keeps its last value in <v>; one written without it
    // (by a script, or with manual calculation) has no value to show.
    if (formula && !value) {
        read.formulas.add(row, column);
        return true;
    }
    if (type == u"s") {
        bool ok = false;
        const int index = value.value_or(QString()).trimmed().toInt(&ok);
        if (!ok || index < 0) {
            read.status = WorkbookStatus::Malformed;
            return false;
        }
        return grid.setShared(row, column, index) && readings.setShared(row, column, index);
    }
    const std::optional<QString> text = cellText(context, type, style, value.value_or(QString()), inlineText);
    if (!text) {
        read.status = WorkbookStatus::Malformed;
        return false;
    }
    return grid.set(row, column, *text) && readings.set(row, column, reading);
}

// The cells of a worksheet part into the grid, and their furigana into
// `readings`; reading stops at the grid's first limit.
SheetRead readWorksheet(PartXml& part, const XlsxContext& context, Grid& grid, Grid& readings)
{
    SheetRead read;
    QXmlStreamReader& xml = part.xml();
    qint64 row = -1;
    qint64 column = -1;
    while (!part.atEnd()) {
        if (part.next() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"row") {
            bool ok = false;
            const qint64 r = xml.attributes().value(QLatin1String("r")).toLongLong(&ok);
            row = ok && r >= 1 ? r - 1 : row + 1;
            column = -1;
        } else if (xml.name() == u"c" && !readCell(part, context, grid, readings, row, column, read)) {
            return read;
        }
    }
    return read;
}

// The workbook part's sheets (names and relationship ids) and its date system.
void readWorkbookPart(PartXml& part, QStringList& names, QStringList& ids, XlsxContext& context)
{
    QXmlStreamReader& xml = part.xml();
    while (!part.atEnd()) {
        if (part.next() != QXmlStreamReader::StartElement)
            continue;
        const auto attributes = xml.attributes();
        if (xml.name() == u"workbookPr") {
            const auto date1904 = attributes.value(QLatin1String("date1904"));
            context.from1904 = date1904 == u"1" || date1904 == u"true";
        } else if (xml.name() == u"sheet") {
            names.append(attributes.value(QLatin1String("name")).toString());
            QString id;
            for (const auto& attribute : attributes)
                if (attribute.name() == u"id" && !attribute.namespaceUri().isEmpty())
                    id = attribute.value().toString();
            ids.append(id);
        }
    }
}

// Where the sheet wanted and the parts it needs are, and which of the names it is.
struct SheetParts {
    QString sheet, strings, styles;
    qsizetype index = -1;
};

// The workbook part the package leads to, its sheets and date system; a refusal, if any.
std::optional<WorkbookSheet> readWorkbook(ZipArchive& zip, QString& workbookPart, QStringList& names, QStringList& ids,
                                          XlsxContext& context)
{
    {
        PartXml rootRels(zip, QStringLiteral("_rels/.rels"));
        const auto relationships = readRelationships(rootRels, QString());
        const WorkbookStatus status = rootRels.outcome();
        if (status != WorkbookStatus::Ok && status != WorkbookStatus::NoSheet)
            return failed(status, rootRels.name());
        for (const Relationship& relationship : relationships)
            if (relationship.type == u"officeDocument")
                workbookPart = relationship.target;
    }
    PartXml workbook(zip, workbookPart);
    readWorkbookPart(workbook, names, ids, context);
    const WorkbookStatus status = workbook.outcome();
    if (status == WorkbookStatus::NoSheet)
        return failed(WorkbookStatus::NotWorkbook);
    if (status != WorkbookStatus::Ok)
        return failed(status, workbookPart);
    return std::nullopt;
}

// The parts of the sheet wanted, found by the workbook's relationships and
// reserved within the budget together, before any of them is inflated; a refusal, if any.
std::optional<WorkbookSheet> findSheetParts(ZipArchive& zip, const QString& workbookPart, const QString& wanted,
                                            const QStringList& names, const QStringList& ids, SheetParts& parts)
{
    const QString relsPart = relsOf(workbookPart);
    PartXml rels(zip, relsPart);
    const auto relationships = readRelationships(rels, folderOf(workbookPart));
    if (const WorkbookStatus status = rels.outcome(); status != WorkbookStatus::Ok)
        return failed(status == WorkbookStatus::NoSheet ? WorkbookStatus::Malformed : status, relsPart, names);

    parts.index = wanted.isEmpty() ? (names.isEmpty() ? -1 : 0) : names.indexOf(wanted);
    if (parts.index < 0)
        return failed(WorkbookStatus::NoSheet, wanted, names);
    parts.sheet = relationships.value(ids[parts.index]).target;
    if (parts.sheet.isEmpty() || !zip.contains(parts.sheet))
        return failed(WorkbookStatus::NoSheetPart, names[parts.index], names);
    for (const Relationship& relationship : relationships) {
        // A dangling reference to a part nothing needs is passed over.
        if (relationship.type == u"sharedStrings" && zip.contains(relationship.target))
            parts.strings = relationship.target;
        else if (relationship.type == u"styles" && zip.contains(relationship.target))
            parts.styles = relationship.target;
    }
    if (const ZipStatus status = zip.reserve({parts.sheet, parts.strings, parts.styles}); status != ZipStatus::Ok)
        return failed(status == ZipStatus::TooLarge ? WorkbookStatus::ZipBomb
                      : status == ZipStatus::Encrypted ? WorkbookStatus::Encrypted
                                                       : WorkbookStatus::Malformed,
                      parts.sheet, names);
    return std::nullopt;
}

// The sheet's cells into the grids; a refusal, if any, formulas without a value among them.
std::optional<WorkbookSheet> readSheetCells(ZipArchive& zip, const SheetParts& parts, const XlsxContext& context,
                                            const QStringList& names, Grid& grid, Grid& readings)
{
    PartXml sheet(zip, parts.sheet);
    const SheetRead read = readWorksheet(sheet, context, grid, readings);
    const QString& name = names[parts.index];
    if (grid.status() != WorkbookStatus::Ok)
        return failed(grid.status(), name, names);
    if (read.status != WorkbookStatus::Ok)
        return failed(read.status, parts.sheet, names);
    if (const WorkbookStatus status = sheet.outcome(); status != WorkbookStatus::Ok)
        return failed(status, status == WorkbookStatus::CellTooLong ? name : parts.sheet, names);
    if (read.formulas.count > 0)
        return refusedForFormulas(name, names, read.formulas);
    return std::nullopt;
}

// The shared strings the sheet uses into the grids; a refusal, if any.
std::optional<WorkbookSheet> resolveShared(ZipArchive& zip, const SheetParts& parts, const QStringList& names, Grid& grid,
                                           Grid& readings)
{
    const std::vector<int> indices = grid.sharedIndices();
    if (indices.empty())
        return std::nullopt;
    if (parts.strings.isEmpty())
        return failed(WorkbookStatus::Malformed, parts.sheet, names);
    PartXml strings(zip, parts.strings);
    qsizetype itemCount = 0;
    QStringList sharedReadings;
    const QStringList texts = readSharedStrings(strings, indices, itemCount, &sharedReadings);
    if (const WorkbookStatus status = strings.outcome(); status != WorkbookStatus::Ok)
        return failed(status, status == WorkbookStatus::CellTooLong ? names[parts.index] : parts.strings, names);
    if (indices.back() >= itemCount)
        return failed(WorkbookStatus::Malformed, parts.sheet, names);
    if (!grid.resolve(indices, texts))
        return failed(grid.status(), names[parts.index], names);
    readings.resolve(indices, sharedReadings);
    return std::nullopt;
}

} // namespace

WorkbookSheet readXlsx(ZipArchive& zip, const QString& wanted, const WorkbookLimits& limits)
{
    QString workbookPart = QStringLiteral("xl/workbook.xml");
    XlsxContext context;
    QStringList names;
    QStringList ids;
    if (std::optional<WorkbookSheet> refused = readWorkbook(zip, workbookPart, names, ids, context))
        return *refused;
    SheetParts parts;
    if (std::optional<WorkbookSheet> refused = findSheetParts(zip, workbookPart, wanted, names, ids, parts))
        return *refused;
    if (!parts.styles.isEmpty()) {
        PartXml styles(zip, parts.styles);
        context.styles = readStyles(styles);
        if (const WorkbookStatus status = styles.outcome(); status != WorkbookStatus::Ok)
            return failed(status, parts.styles, names);
    }
    Grid grid(limits);
    Grid readings(limits);
    if (std::optional<WorkbookSheet> refused = readSheetCells(zip, parts, context, names, grid, readings))
        return *refused;
    if (std::optional<WorkbookSheet> refused = resolveShared(zip, parts, names, grid, readings))
        return *refused;
    WorkbookSheet result = laidOut(grid, names, parts.index);
    layOutReadings(readings, result);
    return result;
}

} // namespace classdiv::workbook
