#include "division/rules/RecordMatch.h"

#include <QHash>
#include <QSet>

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

RecordMatch matchRecord(const SeparationRecord& record, const Students& students)
{
    RecordMatch match;
    const int n = students.count();
    QHash<QString, int> byId;
    QHash<QString, int> byName; // kAmbiguous for a name twice
    byId.reserve(n);
    byName.reserve(n);
    for (int row = 1; row <= n; ++row) {
        const QString& id = students[row].id;
        if (!id.isEmpty() && !match.byName && byId.contains(id))
            match.byName = true;
        byId.insert(id, row);
        const QString name = plainName(students[row].name);
        if (!name.isEmpty()) {
            auto at = byName.find(name);
            if (at == byName.end())
                byName.insert(name, row);
            else
                *at = kAmbiguous;
        }
    }
    QSet<QString> confirmed;
    confirmed.reserve(static_cast<qsizetype>(record.confirmations.size()));
    for (const RecordConfirmation& c : record.confirmations)
        confirmed.insert(pairKey(c.recorded, c.roster));

    QSet<QString> listed; // students asked about or named as ambiguous, each once
    for (size_t e = 0; e < record.entries.size(); ++e) {
        const RecordEntry& entry = record.entries[e];
        if (!entry.open())
            continue;
        std::vector<int> rows;
        bool waiting = false;
        for (const RecordStudent& s : entry.students) {
            const QString name = plainName(s.name);
            int row = kAbsent;
            if (match.byName) {
                row = name.isEmpty() ? kAbsent : byName.value(name, kAbsent);
            } else if (const auto at = byId.constFind(s.id); !s.id.isEmpty() && at != byId.constEnd()) {
                row = *at;
            }
            if (row == kAbsent)
                continue; // left the school, or not in this year
            if (row == kAmbiguous) {
                waiting = true;
                if (!listed.contains(u'?' + name)) {
                    listed.insert(u'?' + name);
                    match.ambiguous.push_back(s);
                }
                continue;
            }
            const RecordStudent there{students[row].id, students[row].name};
            const bool sure = !match.byName && plainName(there.name) == name;
            if (!sure && !confirmed.contains(pairKey(s, there))) {
                waiting = true;
                if (const QString key = pairKey(s, there); !listed.contains(key)) {
                    listed.insert(key);
                    match.toConfirm.push_back({s, row, there});
                }
                continue;
            }
            if (std::find(rows.begin(), rows.end(), row) == rows.end())
                rows.push_back(row);
        }
        if (waiting || rows.size() < 2)
            continue;
        std::sort(rows.begin(), rows.end());
        match.applied.push_back({std::move(rows), entryLabel(entry)});
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
