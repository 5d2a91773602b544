// The parts of an .xlsx around its worksheets.

#include "import/XlsxParts.h"

#include "import/WorkbookParts.h"
#include "import/WorkbookReadings.h"

#include <algorithm>

namespace classdiv::workbook {

namespace {

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

} // namespace

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

QHash<QString, Relationship> readRelationships(PartXml& xml, const QString& folder)
{
    QHash<QString, Relationship> relationships;
    while (!xml.atEnd()) {
        if (xml.next() != QXmlStreamReader::StartElement || xml.xml().name() != u"Relationship")
            continue;
        const auto attributes = xml.xml().attributes();
        if (attributes.value(QLatin1String("TargetMode")) == u"External")
            continue;
        const QString type = attributes.value(QLatin1String("Type")).toString();
        relationships.insert(attributes.value(QLatin1String("Id")).toString(),
                             {type.mid(type.lastIndexOf(u'/') + 1),
                              resolvePart(folder, attributes.value(QLatin1String("Target")).toString())});
    }
    return relationships;
}

Styles readStyles(PartXml& xml)
{
    Styles styles;
    QHash<int, QString> codes;
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        const auto token = xml.next();
        const QStringView name = xml.xml().name();
        if (token == QXmlStreamReader::StartElement) {
            const auto attributes = xml.xml().attributes();
            if (name == u"numFmt")
                codes.insert(attributes.value(QLatin1String("numFmtId")).toInt(),
                             attributes.value(QLatin1String("formatCode")).toString());
            else if (name == u"cellXfs")
                inCellXfs = true;
            else if (inCellXfs && name == u"xf") {
                const int id = attributes.value(QLatin1String("numFmtId")).toInt();
                styles.dateStyle.push_back(isDateFormat(id, codes.value(id)));
            }
        } else if (token == QXmlStreamReader::EndElement && name == u"cellXfs") {
            inCellXfs = false;
        }
    }
    return styles;
}

std::optional<QString> stringItem(PartXml& xml, QString* reading)
{
    std::vector<PhoneticRun> runs;
    QString text;
    int phonetic = 0;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        const auto token = xml.next();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (xml.xml().name() == u"rPh") {
                ++phonetic;
                const auto attributes = xml.xml().attributes();
                runs.push_back({attributes.value(QLatin1String("sb")).toLongLong(),
                                attributes.value(QLatin1String("eb")).toLongLong(), {}});
            } else if (xml.xml().name() == u"t" && (phonetic == 0 || reading)) {
                const std::optional<QString> run = xml.elementText();
                --depth;
                QString& into = phonetic == 0 ? text : runs.back().text;
                if (!run || into.size() + run->size() > kMaxCellChars) {
                    xml.stop(WorkbookStatus::CellTooLong);
                    return std::nullopt;
                }
                into += *run;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
            if (xml.xml().name() == u"rPh")
                --phonetic;
        }
    }
    if (xml.xml().hasError())
        return std::nullopt;
    if (reading)
        *reading = decodeEscapes(phoneticReading(text, runs));
    return decodeEscapes(text);
}

QStringList readSharedStrings(PartXml& xml, const std::vector<int>& indices, qsizetype& itemCount,
                              QStringList* readings)
{
    QStringList texts;
    itemCount = 0;
    auto wanted = indices.begin();
    while (!xml.atEnd()) {
        if (xml.next() != QXmlStreamReader::StartElement || xml.xml().name() != u"si")
            continue;
        if (wanted != indices.end() && *wanted == itemCount) {
            QString reading;
            const std::optional<QString> text = stringItem(xml, readings ? &reading : nullptr);
            if (!text)
                break;
            texts.append(*text);
            if (readings)
                readings->append(reading);
            ++wanted;
        } else {
            xml.skipElement();
        }
        ++itemCount;
    }
    return texts;
}

QString decodeEscapes(const QString& text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
            ushort code = 0;
            bool hex = true;
            for (qsizetype k = i + 2; k < i + 6 && hex; ++k) {
                const int digit = QStringView(u"0123456789ABCDEF").indexOf(text[k].toUpper());
                hex = digit >= 0;
                code = ushort(code * 16 + digit);
            }
            if (hex) {
                out += QChar(code);
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out;
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

} // namespace classdiv::workbook
