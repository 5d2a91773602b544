#include "division/drafts/DraftsFields.h"

#include "common/TabFields.h"

namespace classdiv::draftsfields {

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
        out += '\t' + escapedField(cell).toUtf8();
    return out;
}

std::optional<QStringList> cellsFrom(const QList<QStringView>& fields, qsizetype first)
{
    QStringList cells;
    for (qsizetype i = first; i < fields.size(); ++i) {
        std::optional<QString> cell = unescapedField(fields[i]);
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
    std::optional<QString> id = unescapedField(fields[3]), name = unescapedField(fields[4]), group = unescapedField(fields[5]),
                           score = unescapedField(fields[6]);
    std::optional<QStringList> cells = cellsFrom(fields, 7);
    if (!id || !name || !group || !score || !cells)
        return std::nullopt;
    return RosterRow{*id, *name, *group, *score, *cells, StudentKey(key)};
}

} // namespace classdiv::draftsfields
