// The .xlsx of Excel: the package's relationships lead to the workbook, its
// relationships to the sheets, the shared strings and the styles.

#include "import/Workbook.h"
#include "import/WorkbookParts.h"
#include "import/WorkbookReadings.h"
#include "import/XlsxParts.h"

namespace classdiv::workbook {

namespace {

// Formulas without their last value named in the refusal; more are counted.
constexpr int kFormulaCellsNamed = 5;

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
    QStringList formulaCells;                   // formulas without a value, the first few
    int formulaCount = 0;
};

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
        } else if (xml.name() == u"c") {
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
                    return read;
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
                return read;
            // A formula keeps its last value in <v>; one written without it
            // (by a script, or with manual calculation) has no value to show.
            if (formula && !value) {
                if (++read.formulaCount <= kFormulaCellsNamed)
                    read.formulaCells.append(cellReference(row, column));
                continue;
            }
            if (type == u"s") {
                bool ok = false;
                const int index = value.value_or(QString()).trimmed().toInt(&ok);
                if (!ok || index < 0) {
                    read.status = WorkbookStatus::Malformed;
                    return read;
                }
                if (!grid.setShared(row, column, index) || !readings.setShared(row, column, index))
                    return read;
                continue;
            }
            const std::optional<QString> text = cellText(context, type, style, value.value_or(QString()), inlineText);
            if (!text) {
                read.status = WorkbookStatus::Malformed;
                return read;
            }
            if (!grid.set(row, column, *text) || !readings.set(row, column, reading))
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

} // namespace

WorkbookSheet readXlsx(ZipArchive& zip, const QString& wanted, const WorkbookLimits& limits)
{
    QString workbookPart = QStringLiteral("xl/workbook.xml");
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
    XlsxContext context;
    QStringList names;
    QStringList ids;
    {
        PartXml workbook(zip, workbookPart);
        readWorkbookPart(workbook, names, ids, context);
        const WorkbookStatus status = workbook.outcome();
        if (status == WorkbookStatus::NoSheet)
            return failed(WorkbookStatus::NotWorkbook);
        if (status != WorkbookStatus::Ok)
            return failed(status, workbookPart);
    }

    const QString relsPart = relsOf(workbookPart);
    PartXml rels(zip, relsPart);
    const auto relationships = readRelationships(rels, folderOf(workbookPart));
    if (const WorkbookStatus status = rels.outcome(); status != WorkbookStatus::Ok)
        return failed(status == WorkbookStatus::NoSheet ? WorkbookStatus::Malformed : status, relsPart, names);

    const qsizetype index = wanted.isEmpty() ? (names.isEmpty() ? -1 : 0) : names.indexOf(wanted);
    if (index < 0)
        return failed(WorkbookStatus::NoSheet, wanted, names);
    const QString sheetPart = relationships.value(ids[index]).target;
    if (sheetPart.isEmpty() || !zip.contains(sheetPart))
        return failed(WorkbookStatus::NoSheetPart, names[index], names);

    QString stringsPart;
    QString stylesPart;
    for (const Relationship& relationship : relationships) {
        // A dangling reference to a part nothing needs is passed over.
        if (relationship.type == u"sharedStrings" && zip.contains(relationship.target))
            stringsPart = relationship.target;
        else if (relationship.type == u"styles" && zip.contains(relationship.target))
            stylesPart = relationship.target;
    }
    // The three parts together within the budget before any of them is inflated.
    if (const ZipStatus status = zip.reserve({sheetPart, stringsPart, stylesPart}); status != ZipStatus::Ok)
        return failed(status == ZipStatus::TooLarge ? WorkbookStatus::ZipBomb
                      : status == ZipStatus::Encrypted ? WorkbookStatus::Encrypted
                                                       : WorkbookStatus::Malformed,
                      sheetPart, names);
    if (!stylesPart.isEmpty()) {
        PartXml styles(zip, stylesPart);
        context.styles = readStyles(styles);
        if (const WorkbookStatus status = styles.outcome(); status != WorkbookStatus::Ok)
            return failed(status, stylesPart, names);
    }

    Grid grid(limits);
    Grid readings(limits);
    PartXml sheet(zip, sheetPart);
    const SheetRead read = readWorksheet(sheet, context, grid, readings);
    if (grid.status() != WorkbookStatus::Ok)
        return failed(grid.status(), names[index], names);
    if (read.status != WorkbookStatus::Ok)
        return failed(read.status, sheetPart, names);
    if (const WorkbookStatus status = sheet.outcome(); status != WorkbookStatus::Ok)
        return failed(status, status == WorkbookStatus::CellTooLong ? names[index] : sheetPart, names);
    if (read.formulaCount > 0) {
        WorkbookSheet refused = failed(WorkbookStatus::Formulas, names[index], names);
        refused.cells = read.formulaCells;
        if (read.formulaCount > kFormulaCellsNamed)
            refused.cells.append(QStringLiteral("ほか%1個").arg(read.formulaCount - kFormulaCellsNamed));
        return refused;
    }

    const std::vector<int> indices = grid.sharedIndices();
    if (!indices.empty()) {
        if (stringsPart.isEmpty())
            return failed(WorkbookStatus::Malformed, sheetPart, names);
        PartXml strings(zip, stringsPart);
        qsizetype itemCount = 0;
        QStringList sharedReadings;
        const QStringList texts = readSharedStrings(strings, indices, itemCount, &sharedReadings);
        if (const WorkbookStatus status = strings.outcome(); status != WorkbookStatus::Ok)
            return failed(status, status == WorkbookStatus::CellTooLong ? names[index] : stringsPart, names);
        if (indices.back() >= itemCount)
            return failed(WorkbookStatus::Malformed, sheetPart, names);
        if (!grid.resolve(indices, texts))
            return failed(grid.status(), names[index], names);
        readings.resolve(indices, sharedReadings);
    }
    WorkbookSheet result = laidOut(grid, names, index);
    layOutReadings(readings, result);
    return result;
}

} // namespace classdiv::workbook
