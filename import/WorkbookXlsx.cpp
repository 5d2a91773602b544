// The .xlsx of Excel: the package's relationships lead to the workbook, its
// relationships to the sheets, the shared strings and the styles.

#include "import/Workbook.h"
#include "import/WorkbookParts.h"
#include "import/WorkbookReadings.h"

#include <QHash>
#include <QXmlStreamReader>

#include <optional>

namespace classdiv::workbook {

namespace {

// The text of every <t> below the current element, leaving out phonetic
// runs (<rPh>: the furigana Japanese Excel keeps beside a name typed through
// the IME); `reading`, when given, gets them (WorkbookReadings.h).
QString stringItem(QXmlStreamReader& xml, QString* reading = nullptr)
{
    std::vector<PhoneticRun> runs;
    QString text;
    int phonetic = 0;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (xml.name() == u"rPh") {
                ++phonetic;
                const auto attributes = xml.attributes();
                runs.push_back({attributes.value(QLatin1String("sb")).toLongLong(),
                                attributes.value(QLatin1String("eb")).toLongLong(), {}});
            } else if (xml.name() == u"t" && phonetic == 0) {
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements), --depth;
            } else if (xml.name() == u"t" && reading) {
                runs.back().text += xml.readElementText(QXmlStreamReader::IncludeChildElements), --depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
            if (xml.name() == u"rPh")
                --phonetic;
        }
    }
    if (reading)
        *reading = phoneticReading(text, runs);
    return text;
}

// A part name resolved against the folder of the part that refers to it.
QString resolvePart(const QString& folder, const QString& target)
{
    QStringList parts;
    const QString joined = target.startsWith(u'/') ? target.mid(1) : folder + u'/' + target;
    for (const QString& segment : joined.split(u'/', Qt::SkipEmptyParts)) {
        if (segment == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (segment != u".") {
            parts.append(segment);
        }
    }
    return parts.join(u'/');
}

QString folderOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash);
}

QString relsOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return folderOf(part) + (slash < 0 ? QString() : QStringLiteral("/")) + QStringLiteral("_rels/") +
           part.mid(slash + 1) + QStringLiteral(".rels");
}

struct Relationship {
    QString type; // its last path segment: "officeDocument", "worksheet", "sharedStrings", "styles"
    QString target;
};

// Relationship id -> type and resolved target; nullopt for XML that is not well formed.
std::optional<QHash<QString, Relationship>> readRelationships(const QByteArray& bytes, const QString& folder)
{
    QHash<QString, Relationship> relationships;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
            continue;
        const auto attributes = xml.attributes();
        if (attributes.value(QLatin1String("TargetMode")) == u"External")
            continue;
        const QString type = attributes.value(QLatin1String("Type")).toString();
        relationships.insert(attributes.value(QLatin1String("Id")).toString(),
                             {type.mid(type.lastIndexOf(u'/') + 1),
                              resolvePart(folder, attributes.value(QLatin1String("Target")).toString())});
    }
    if (xml.hasError())
        return std::nullopt;
    return relationships;
}

// Whether a number format shows a date: the built-in date formats (Japanese
// Excel's era and 年月日 forms among them) and any format with a year or day.
bool isDateFormat(int id, const QString& code)
{
    if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) ||
        (id >= 50 && id <= 58))
        return true;
    if (code.isEmpty())
        return false;
    // Quoted text, [colour] or [$-411] parts, escaped characters, the word
    // General and an exponent (E+, E-) say nothing about dates.
    const QString lower = code.toLower().replace(QLatin1String("general"), QString());
    bool quoted = false;
    int bracket = 0;
    for (qsizetype i = 0; i < lower.size(); ++i) {
        const QChar c = lower[i];
        if (c == u'e' && i + 1 < lower.size() && (lower[i + 1] == u'+' || lower[i + 1] == u'-'))
            continue;
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'\\' || c == u'_' || c == u'*')
            ++i;
        else if (c == u'[')
            ++bracket;
        else if (c == u']')
            bracket = std::max(0, bracket - 1);
        else if (bracket == 0 && (c == u'y' || c == u'd' || c == u'e' || c == u'g'))
            return true;
    }
    return false;
}

struct Styles {
    std::vector<bool> dateStyle; // by the cell's s attribute
};

std::optional<Styles> readStyles(const QByteArray& bytes)
{
    Styles styles;
    QHash<int, QString> codes;
    QXmlStreamReader xml(bytes);
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const auto attributes = xml.attributes();
            if (xml.name() == u"numFmt")
                codes.insert(attributes.value(QLatin1String("numFmtId")).toInt(), attributes.value(QLatin1String("formatCode")).toString());
            else if (xml.name() == u"cellXfs")
                inCellXfs = true;
            else if (inCellXfs && xml.name() == u"xf") {
                const int id = attributes.value(QLatin1String("numFmtId")).toInt();
                styles.dateStyle.push_back(isDateFormat(id, codes.value(id)));
            }
        } else if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs") {
            inCellXfs = false;
        }
    }
    if (xml.hasError())
        return std::nullopt;
    return styles;
}

// The shared strings, and beside them the furigana of each (most empty).
std::optional<QStringList> readSharedStrings(const QByteArray& bytes, QStringList& readings)
{
    QStringList strings;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si") {
            QString reading;
            strings.append(stringItem(xml, &reading));
            readings.append(reading);
        }
    }
    if (xml.hasError())
        return std::nullopt;
    return strings;
}

// "BC12" -> column 54 (0-based) and row 11; nullopt for anything else.
std::optional<std::pair<qint64, qint64>> cellPosition(QStringView reference)
{
    qint64 column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference[i].isLetter() && reference[i].unicode() < 128; ++i) {
        column = column * 26 + (reference[i].toUpper().unicode() - 'A' + 1);
        if (column > kMaxColumns)
            return std::nullopt;
    }
    bool ok = false;
    const qint64 row = reference.mid(i).toLongLong(&ok);
    if (i == 0 || !ok || row < 1)
        return std::nullopt;
    return std::make_pair(row - 1, column - 1);
}

struct XlsxContext {
    QStringList sharedStrings;
    QStringList sharedReadings; // the furigana of each shared string
    Styles styles;
    bool from1904 = false;
};

// The text of one <c> as Excel shows it, once its parts are read.
std::optional<QString> cellText(const XlsxContext& context, const QString& type, int style, const QString& value,
                                const QString& inlineText)
{
    if (type == u"inlineStr")
        return inlineText;
    if (type == u"s") {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        if (!ok || index < 0 || index >= context.sharedStrings.size())
            return std::nullopt;
        return context.sharedStrings[index];
    }
    if (type == u"str" || type == u"e")
        return value;
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

// The cells of a worksheet part into the grid; false for a broken part.
bool readWorksheet(const QByteArray& bytes, const XlsxContext& context, Grid& grid, Grid& readings)
{
    QXmlStreamReader xml(bytes);
    qint64 row = -1;
    qint64 column = -1;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
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
                if (!position)
                    return false;
                row = position->first;
                column = position->second;
            }
            const QString type = attributes.value(QLatin1String("t")).toString();
            const int style = attributes.hasAttribute(QLatin1String("s")) ? attributes.value(QLatin1String("s")).toInt() : -1;
            QString value;
            QString inlineText;
            QString reading;
            while (xml.readNextStartElement()) {
                if (xml.name() == u"v")
                    value = xml.readElementText();
                else if (xml.name() == u"is")
                    inlineText = stringItem(xml, &reading);
                else
                    xml.skipCurrentElement(); // the formula: its cached value is in <v>
            }
            if (xml.hasError())
                return false;
            const std::optional<QString> text = cellText(context, type, style, value, inlineText);
            if (!text)
                return false;
            if (type == u"s") {
                const int index = value.trimmed().toInt();
                reading = index >= 0 && index < context.sharedReadings.size() ? context.sharedReadings[index] : QString();
            }
            if (!grid.set(row, column, *text) || !readings.set(row, column, reading))
                return true;
        }
    }
    return !xml.hasError();
}

} // namespace

WorkbookSheet readXlsx(ZipArchive& zip, const QString& wanted, const WorkbookLimits& limits)
{
    QString workbookPart = QStringLiteral("xl/workbook.xml");
    const PartOutcome rootRels = readPart(zip, QStringLiteral("_rels/.rels"));
    if (rootRels.status != WorkbookStatus::Ok && rootRels.status != WorkbookStatus::NoSheet)
        return failed(rootRels.status, QStringLiteral("_rels/.rels"));
    if (rootRels.status == WorkbookStatus::Ok) {
        const auto relationships = readRelationships(rootRels.bytes, QString());
        if (!relationships)
            return failed(WorkbookStatus::Malformed, QStringLiteral("_rels/.rels"));
        for (const Relationship& relationship : *relationships)
            if (relationship.type == u"officeDocument")
                workbookPart = relationship.target;
    }
    const PartOutcome workbook = readPart(zip, workbookPart);
    if (workbook.status == WorkbookStatus::NoSheet)
        return failed(WorkbookStatus::NotWorkbook);
    if (workbook.status != WorkbookStatus::Ok)
        return failed(workbook.status, workbookPart);

    XlsxContext context;
    QStringList names;
    QStringList ids;
    QXmlStreamReader xml(workbook.bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
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
    if (xml.hasError())
        return failed(WorkbookStatus::Malformed, workbookPart);

    const QString relsPart = relsOf(workbookPart);
    const PartOutcome rels = readPart(zip, relsPart);
    if (rels.status != WorkbookStatus::Ok)
        return failed(rels.status == WorkbookStatus::NoSheet ? WorkbookStatus::Malformed : rels.status, relsPart,
                      names);
    const auto relationships = readRelationships(rels.bytes, folderOf(workbookPart));
    if (!relationships)
        return failed(WorkbookStatus::Malformed, relsPart, names);

    const qsizetype index = wanted.isEmpty() ? (names.isEmpty() ? -1 : 0) : names.indexOf(wanted);
    if (index < 0)
        return failed(WorkbookStatus::NoSheet, wanted, names);
    const QString sheetPart = relationships->value(ids[index]).target;
    if (sheetPart.isEmpty())
        return failed(WorkbookStatus::NoSheet, names[index], names);

    for (const Relationship& relationship : *relationships) {
        if (relationship.type != u"sharedStrings" && relationship.type != u"styles")
            continue;
        const PartOutcome part = readPart(zip, relationship.target);
        if (part.status == WorkbookStatus::NoSheet)
            continue; // a dangling reference to a part nothing needs
        if (part.status != WorkbookStatus::Ok)
            return failed(part.status, relationship.target, names);
        if (relationship.type == u"sharedStrings") {
            auto strings = readSharedStrings(part.bytes, context.sharedReadings);
            if (!strings)
                return failed(WorkbookStatus::Malformed, relationship.target, names);
            context.sharedStrings = std::move(*strings);
        } else {
            auto styles = readStyles(part.bytes);
            if (!styles)
                return failed(WorkbookStatus::Malformed, relationship.target, names);
            context.styles = std::move(*styles);
        }
    }

    const PartOutcome sheetBytes = readPart(zip, sheetPart);
    if (sheetBytes.status != WorkbookStatus::Ok)
        return failed(sheetBytes.status, sheetBytes.status == WorkbookStatus::NoSheet ? names[index] : sheetPart,
                      names);
    Grid grid(limits);
    Grid readings(limits);
    if (!readWorksheet(sheetBytes.bytes, context, grid, readings))
        return failed(WorkbookStatus::Malformed, sheetPart, names);
    if (grid.status() != WorkbookStatus::Ok)
        return failed(grid.status(), QString(), names);
    WorkbookSheet sheet = laidOut(grid, names, index);
    layOutReadings(readings, sheet);
    return sheet;
}

} // namespace classdiv::workbook
