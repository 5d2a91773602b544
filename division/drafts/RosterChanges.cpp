#include "division/drafts/RosterChanges.h"

#include "division/draw/Division.h"

#include <QHash>

#include <algorithm>

namespace classdiv {

namespace {

QString pairOf(const RosterRow& row) { return row.id + QChar(0x1f) + row.name; }

// Rows by a text of theirs; a text of two rows or more maps to -1.
template <class Text>
QHash<QString, int> uniqueRows(const std::vector<RosterRow>& rows, const std::vector<int>& taken, Text text)
{
    QHash<QString, int> at;
    for (size_t r = 1; r < rows.size(); ++r) {
        if (taken[r] != 0 || rows[r].id.trimmed().isEmpty())
            continue;
        const QString t = text(rows[r]);
        const auto it = at.find(t);
        if (it == at.end())
            at.insert(t, int(r));
        else
            *it = -1;
    }
    return at;
}

// Matches rows whose text is unique on both sides among the rows not matched yet.
template <class Text>
void matchBy(const std::vector<RosterRow>& kept, const std::vector<RosterRow>& now, RosterMatch& m, Text text)
{
    const QHash<QString, int> inKept = uniqueRows(kept, m.nowRowOf, text);
    const QHash<QString, int> inNow = uniqueRows(now, m.keptRowOf, text);
    for (auto it = inNow.begin(); it != inNow.end(); ++it) {
        const int k = inKept.value(it.key(), 0);
        if (it.value() > 0 && k > 0) {
            m.keptRowOf[size_t(it.value())] = k;
            m.nowRowOf[size_t(k)] = it.value();
        }
    }
}

// The cells of a column by its header, when the header names one column only.
int columnOf(const QStringList& header, const QString& name)
{
    const qsizetype at = header.indexOf(name);
    return at >= 0 && header.lastIndexOf(name) == at ? int(at) : -1;
}

QStringList whatChanged(const RosterRow& was, const RosterRow& is, const QStringList& keptHeader,
                        const QStringList& nowHeader)
{
    QStringList what;
    const auto note = [&](const QString& label, const QString& a, const QString& b) {
        if (a != b)
            what << QStringLiteral("%1 %2→%3").arg(label, a, b);
    };
    note(QStringLiteral("氏名"), was.name, is.name);
    note(QStringLiteral("グループ"), was.group, is.group);
    const bool keptCells = !was.cells.isEmpty(); // an earlier version's file kept no scores nor cells
    if (keptCells)
        note(QStringLiteral("成績"), was.score, is.score);
    if (!keptCells || is.cells.isEmpty())
        return what;
    for (qsizetype c = 0; c < nowHeader.size() && c < is.cells.size(); ++c) {
        const int k = columnOf(keptHeader, nowHeader[c]);
        if (k < 0 || columnOf(nowHeader, nowHeader[c]) < 0 || k >= was.cells.size())
            continue;
        const QString& a = was.cells[k];
        const QString& b = is.cells[c];
        // The four columns are said above by their own names.
        const bool itemColumn = (a == was.id && b == is.id) || (a == was.name && b == is.name) ||
                                (a == was.group && b == is.group) || (a == was.score && b == is.score);
        if (!itemColumn)
            note(nowHeader[c], a, b);
    }
    return what;
}

} // namespace

int RosterMatch::count(StudentChange::Kind kind) const
{
    return int(std::count_if(changes.begin(), changes.end(), [&](const StudentChange& c) { return c.kind == kind; }));
}

RosterMatch matchRosters(const std::vector<RosterRow>& kept, const std::vector<RosterRow>& now)
{
    RosterMatch m;
    m.nowRowOf.assign(std::max<size_t>(kept.size(), 1), 0);
    m.keptRowOf.assign(std::max<size_t>(now.size(), 1), 0);
    // By identifier where it is one student's on both sides, then by identifier and name.
    matchBy(kept, now, m, [](const RosterRow& row) { return row.id; });
    matchBy(kept, now, m, pairOf);
    // The rest by their rows: students of the same identifier and name (or of
    // none) cannot be told apart, so they are matched in the order of their rows.
    QHash<QString, std::vector<int>> waiting;
    for (size_t r = kept.size(); r-- > 1;)
        if (m.nowRowOf[r] == 0)
            waiting[pairOf(kept[r])].push_back(int(r));
    for (size_t r = 1; r < now.size(); ++r) {
        if (now[r].key == StudentKey::Row)
            m.rowsByRow.push_back(int(r));
        std::vector<int>* rows = m.keptRowOf[r] == 0 ? &waiting[pairOf(now[r])] : nullptr;
        if (rows && !rows->empty()) {
            m.keptRowOf[r] = rows->back();
            m.nowRowOf[size_t(rows->back())] = int(r);
            rows->pop_back();
        }
    }
    const QStringList keptHeader = kept.empty() ? QStringList() : kept[0].cells;
    const QStringList nowHeader = now.empty() ? QStringList() : now[0].cells;
    for (size_t r = 1; r < kept.size(); ++r)
        if (m.nowRowOf[r] == 0)
            m.changes.push_back({StudentChange::Kind::Removed, int(r), kept[r].id, kept[r].name, kept[r].group, {}});
    for (size_t r = 1; r < now.size(); ++r)
        if (m.keptRowOf[r] == 0)
            m.changes.push_back({StudentChange::Kind::Added, int(r), now[r].id, now[r].name, now[r].group, {}});
    for (size_t r = 1; r < now.size(); ++r) {
        if (m.keptRowOf[r] == 0)
            continue;
        QStringList what = whatChanged(kept[size_t(m.keptRowOf[r])], now[r], keptHeader, nowHeader);
        if (!what.isEmpty())
            m.changes.push_back({StudentChange::Kind::Changed, int(r), now[r].id, now[r].name, now[r].group, what});
    }
    return m;
}

Draft carriedDraft(const Draft& draft, const RosterMatch& match)
{
    Draft carried = draft;
    carried.classes.assign(match.keptRowOf.size(), kUnplacedClass);
    for (size_t r = 1; r < match.keptRowOf.size(); ++r) {
        const int k = match.keptRowOf[r];
        if (k > 0 && k < int(draft.classes.size()))
            carried.classes[r] = draft.classes[size_t(k)];
    }
    carried.swaps.clear();
    for (const ClassSwaps::Pair& swap : draft.swaps) {
        const int a = swap.rowA < int(match.nowRowOf.size()) ? match.nowRowOf[size_t(swap.rowA)] : 0;
        const int b = swap.rowB < int(match.nowRowOf.size()) ? match.nowRowOf[size_t(swap.rowB)] : 0;
        if (a > 0 && b > 0)
            carried.swaps.push_back({int16_t(a), int16_t(b)});
    }
    return carried;
}

int unplaceUnplanned(const ConditionsWorkspace& ws, std::vector<int16_t>& classes)
{
    int count = 0;
    for (int g = 1; g <= ws.groupCount() && g < int(ws.conditions.size()); ++g) {
        const GroupCondition& c = ws.conditions[size_t(g)];
        for (int w = 1; w <= ws.groupSize[size_t(g)]; ++w) {
            const size_t r = size_t(ws.groupStudents[size_t(g)][size_t(w)]);
            if (r >= classes.size() || classes[r] == kUnplacedClass)
                continue;
            bool planned = false;
            for (int k = 1; k <= c.classCount && k <= kMaxPlanRows; ++k)
                planned = planned || c.rows[size_t(k)].classNumber == classes[r];
            if (!planned) {
                classes[r] = kUnplacedClass;
                ++count;
            }
        }
    }
    return count;
}

CarriedCounts carriedCounts(const Draft& kept, const RosterMatch& match, const ConditionsWorkspace& ws)
{
    CarriedCounts counts;
    counts.draft = kept.name;
    for (size_t r = 1; r < match.nowRowOf.size(); ++r)
        counts.gone += match.nowRowOf[r] == 0 ? 1 : 0;
    for (size_t r = 1; r < match.keptRowOf.size(); ++r)
        counts.added += match.keptRowOf[r] == 0 ? 1 : 0;
    Draft carried = carriedDraft(kept, match);
    counts.unplanned = unplaceUnplanned(ws, carried.classes);
    return counts;
}

QStringList groupsNotAddingUp(const ConditionsWorkspace& ws)
{
    QStringList groups;
    for (int g = 1; g <= ws.groupCount() && g < int(ws.conditions.size()); ++g) {
        const GroupCondition& c = ws.conditions[size_t(g)];
        if (c.classCount < 1)
            continue; // no conditions entered for it
        int sum = 0;
        for (int k = 1; k <= c.classCount && k <= kMaxPlanRows; ++k)
            sum += c.rows[size_t(k)].headCount;
        if (sum != ws.groupSize[size_t(g)])
            groups << QStringLiteral("%1（%2人、振り分けは%3人）").arg(ws.groupName[size_t(g)]).arg(ws.groupSize[size_t(g)]).arg(sum);
    }
    return groups;
}

QString rowsByRowText(const std::vector<int>& rows)
{
    QStringList named;
    for (int r : rows)
        named << QStringLiteral("%1行目").arg(r + 1);
    return QStringLiteral("識別番号と氏名が同じ生徒、または識別番号が空欄の生徒がいます。この生徒は案と行の位置で合わせます"
                          "（行を並べ替えたり足したりすると、別の生徒になります）。\nＣＳＶファイルの%1")
        .arg(named.join(QStringLiteral("、")));
}

} // namespace classdiv
