#include "division/drafts/StudentKeys.h"

#include <QHash>

namespace classdiv {

std::vector<int> assignKeys(std::vector<RosterRow>& rows)
{
    QHash<QString, int> ids;
    QHash<QString, int> pairs;
    const auto pairOf = [](const RosterRow& row) { return row.id + QChar(0x1f) + row.name; };
    for (size_t r = 1; r < rows.size(); ++r) {
        ++ids[rows[r].id];
        ++pairs[pairOf(rows[r])];
    }
    std::vector<int> byRow;
    for (size_t r = 1; r < rows.size(); ++r) {
        RosterRow& row = rows[r];
        if (row.id.trimmed().isEmpty() || (ids.value(row.id) > 1 && pairs.value(pairOf(row)) > 1)) {
            row.key = StudentKey::Row;
            byRow.push_back(int(r));
        } else {
            row.key = ids.value(row.id) == 1 ? StudentKey::Identifier : StudentKey::IdentifierAndName;
        }
    }
    return byRow;
}

bool sameRoster(const std::vector<RosterRow>& kept, const std::vector<RosterRow>& now)
{
    if (kept == now)
        return true;
    if (kept.size() != now.size())
        return false;
    for (size_t r = 0; r < kept.size(); ++r)
        if (!kept[r].cells.isEmpty() || !kept[r].score.isEmpty())
            return false;
    for (size_t r = 1; r < kept.size(); ++r)
        if (kept[r].id != now[r].id || kept[r].name != now[r].name || kept[r].group != now[r].group)
            return false;
    return true;
}

} // namespace classdiv
