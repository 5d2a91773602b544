#include "division/rules/RecordMatch.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>

namespace classdiv {

namespace {

QString plainName(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name)
        if (c != u' ' && c != u'\t' && c != QChar(0x3000))
            out += c;
    return out;
}

QString pairKey(const RecordStudent& recorded, const RecordStudent& roster)
{
    return recorded.id + u'\x1f' + recorded.name + u'\x1f' + roster.id + u'\x1f' + roster.name;
}

constexpr int kAbsent = -1;
constexpr int kAmbiguous = -2;

} // namespace

QString entryLabel(const RecordEntry& entry)
{
    QStringList names;
    for (const RecordStudent& s : entry.students)
        names << (s.name.isEmpty() ? s.id : s.name);
    const QString reason = entry.reason.trimmed();
    return names.join(u'・') + (reason.isEmpty() ? QString() : QStringLiteral("（%1）").arg(reason));
}

namespace {

// The roster looked up by identifier, and by name with the blanks dropped.
struct RosterIndex {
    QHash<QString, int> byId;
    QHash<QString, int> byName; // kAmbiguous for a name twice
    bool idsRepeat = false;     // then the record's students are found by name
};

RosterIndex indexRoster(const Students& students)
{
    RosterIndex index;
    const int n = students.count();
    index.byId.reserve(n);
    index.byName.reserve(n);
    for (int row = 1; row <= n; ++row) {
        const QString& id = students[row].id;
        if (!id.isEmpty() && !index.idsRepeat && index.byId.contains(id))
            index.idsRepeat = true;
        index.byId.insert(id, row);
        const QString name = plainName(students[row].name);
        if (!name.isEmpty()) {
            auto at = index.byName.find(name);
            if (at == index.byName.end())
                index.byName.insert(name, row);
            else
                *at = kAmbiguous;
        }
    }
    return index;
}

// One entry's students found in the roster; the questions it waits on go to the match.
struct EntryMatcher {
    const Students& students;
    const RosterIndex& index;
    QSet<QString> confirmed;
    QSet<QString> listed; // students asked about or named as ambiguous, each once
    RecordMatch& match;

    int rowOf(const RecordStudent& s) const
    {
        if (match.byName) {
            const QString name = plainName(s.name);
            return name.isEmpty() ? kAbsent : index.byName.value(name, kAbsent);
        }
        const auto at = index.byId.constFind(s.id);
        return !s.id.isEmpty() && at != index.byId.constEnd() ? *at : kAbsent;
    }

    // The row of a student sure to be the recorded one; kAbsent for none, kAmbiguous while a question waits.
    int sureRow(const RecordStudent& s)
    {
        const int row = rowOf(s);
        if (row == kAbsent)
            return kAbsent; // left the school, or not in this year
        const QString name = plainName(s.name);
        if (row == kAmbiguous) {
            if (!listed.contains(u'?' + name)) {
                listed.insert(u'?' + name);
                match.ambiguous.push_back(s);
            }
            return kAmbiguous;
        }
        const RecordStudent there{students[row].id, students[row].name};
        const bool sure = !match.byName && plainName(there.name) == name;
        if (!sure && !confirmed.contains(pairKey(s, there))) {
            if (const QString key = pairKey(s, there); !listed.contains(key)) {
                listed.insert(key);
                match.toConfirm.push_back({s, row, there});
            }
            return kAmbiguous;
        }
        return row;
    }

    // The entry's rows, ascending; nullopt while a question waits.
    std::optional<std::vector<int>> rowsOf(const RecordEntry& entry)
    {
        std::vector<int> rows;
        bool waiting = false;
        for (const RecordStudent& s : entry.students) {
            const int row = sureRow(s);
            waiting = waiting || row == kAmbiguous;
            if (row >= 1 && std::find(rows.begin(), rows.end(), row) == rows.end())
                rows.push_back(row);
        }
        if (waiting)
            return std::nullopt;
        std::sort(rows.begin(), rows.end());
        return rows;
    }
};

} // namespace

RecordMatch matchRecord(const SeparationRecord& record, const Students& students)
{
    RecordMatch match;
    const RosterIndex index = indexRoster(students);
    match.byName = index.idsRepeat;
    EntryMatcher matcher{students, index, {}, {}, match};
    matcher.confirmed.reserve(static_cast<qsizetype>(record.confirmations.size()));
    for (const RecordConfirmation& c : record.confirmations)
        matcher.confirmed.insert(pairKey(c.recorded, c.roster));
    for (size_t e = 0; e < record.entries.size(); ++e) {
        const RecordEntry& entry = record.entries[e];
        if (!entry.open())
            continue;
        std::optional<std::vector<int>> rows = matcher.rowsOf(entry);
        if (!rows || rows->size() < 2)
            continue;
        match.applied.push_back({std::move(*rows), entryLabel(entry)});
        match.appliedEntries.push_back(static_cast<int>(e));
    }
    return match;
}

QString confirmMatchesText(const RecordMatch& match, const Students& students)
{
    QString text = match.byName
                       ? QStringLiteral("この名簿は識別番号が重なっているので、離す記録の生徒を氏名で探しました。"
                                        "次の生徒が記録の生徒と同じなら「はい」を押して下さい（一度確かめると覚えておきます）。")
                       : QStringLiteral("離す記録の識別番号の生徒が、名簿では別の氏名になっています。"
                                        "同じ生徒なら「はい」を押して下さい（一度確かめると覚えておきます）。");
    constexpr int kListed = 20;
    for (size_t i = 0; i < match.toConfirm.size() && i < size_t(kListed); ++i) {
        const PendingMatch& m = match.toConfirm[i];
        text += QStringLiteral("\n記録「%1　%2」→ 名簿%3行目「%4　%5」")
                    .arg(m.recorded.id, m.recorded.name)
                    .arg(m.row + 1)
                    .arg(students[m.row].id, students[m.row].name);
    }
    if (match.toConfirm.size() > size_t(kListed))
        text += QStringLiteral("\nほか%1人").arg(match.toConfirm.size() - kListed);
    text += QStringLiteral("\n「いいえ」なら、この生徒の記録は今年は使いません。");
    return text;
}

std::vector<RecordConfirmation> confirmationsOf(const RecordMatch& match)
{
    std::vector<RecordConfirmation> out;
    for (const PendingMatch& m : match.toConfirm)
        out.push_back({m.recorded, m.roster});
    return out;
}

} // namespace classdiv
