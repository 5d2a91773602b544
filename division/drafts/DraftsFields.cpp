#include "division/drafts/DraftsFields.h"

namespace classdiv::draftsfields {

QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

std::optional<QString> unescaped(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i].unicode()) {
        case '\\': out += u'\\'; break;
        case 't': out += u'\t'; break;
        case 'n': out += u'\n'; break;
        case 'r': out += u'\r'; break;
        default: return std::nullopt;
        }
    }
    return out;
}

std::optional<long long> wholeNumber(QStringView text, long long lo, long long hi)
{
    if (text.isEmpty() || text.size() > 12)
        return std::nullopt;
    long long value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    if (value < lo || value > hi)
        return std::nullopt;
    return value;
}

QByteArray cellFields(const QStringList& cells)
{
    QByteArray out;
    for (const QString& cell : cells)
        out += '\t' + escaped(cell).toUtf8();
    return out;
}

std::optional<QStringList> cellsFrom(const QList<QStringView>& fields, qsizetype first)
{
    QStringList cells;
    for (qsizetype i = first; i < fields.size(); ++i) {
        std::optional<QString> cell = unescaped(fields[i]);
        if (!cell)
            return std::nullopt;
        cells.append(std::move(*cell));
    }
    return cells;
}

std::optional<RosterRow> rowFrom(const QList<QStringView>& fields)
{
    if (fields.size() < 7 || fields[2].size() != 1)
        return std::nullopt;
    const char key = char(fields[2][0].unicode());
    if (key != char(StudentKey::Identifier) && key != char(StudentKey::IdentifierAndName) && key != char(StudentKey::Row))
        return std::nullopt;
    std::optional<QString> id = unescaped(fields[3]), name = unescaped(fields[4]), group = unescaped(fields[5]),
                           score = unescaped(fields[6]);
    std::optional<QStringList> cells = cellsFrom(fields, 7);
    if (!id || !name || !group || !score || !cells)
        return std::nullopt;
    return RosterRow{*id, *name, *group, *score, *cells, StudentKey(key)};
}

} // namespace classdiv::draftsfields
