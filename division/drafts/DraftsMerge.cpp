#include "division/drafts/DraftsMerge.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace classdiv {

namespace {

// What never changes once a draft is kept: everything but its name.
QByteArray identity(const Draft& d)
{
    QByteArray key = d.kept.toString(Qt::ISODate).toUtf8() + '|' + QByteArray::number(d.drawNumber) + '|';
    key.append(reinterpret_cast<const char*>(d.classes.data()),
               static_cast<qsizetype>(d.classes.size() * sizeof(int16_t)));
    key += '|';
    for (const ClassSwaps::Pair& p : d.swaps)
        key += QByteArray::number(p.rowA) + '-' + QByteArray::number(p.rowB) + ',';
    return key;
}

} // namespace

MergedDrafts mergeDrafts(const std::vector<Draft>& base, const std::vector<Draft>& here, const std::vector<Draft>& file)
{
    QHash<QByteArray, QString> baseName;
    for (const Draft& d : base)
        baseName.insert(identity(d), d.name);
    QHash<QByteArray, const Draft*> hereByKey;
    for (const Draft& d : here)
        hereByKey.insert(identity(d), &d);

    MergedDrafts merged;
    QSet<QByteArray> taken;
    std::vector<bool> fileName; // [merged draft]: under the name the file gives it
    for (const Draft& d : file) {
        const QByteArray key = identity(d);
        if (taken.contains(key))
            continue;
        taken.insert(key);
        const auto seen = baseName.constFind(key);
        const auto mine = hereByKey.constFind(key);
        Draft kept = d;
        if (seen != baseName.cend()) {
            if (mine != hereByKey.cend()) {
                if ((*mine)->name != *seen)
                    kept.name = (*mine)->name; // renamed here
            } else if (d.name == *seen) {
                continue; // deleted here, left as it was there
            }
        }
        fileName.push_back(kept.name == d.name);
        merged.drafts.push_back(std::move(kept));
    }
    for (const Draft& d : here) {
        const QByteArray key = identity(d);
        if (taken.contains(key))
            continue;
        taken.insert(key);
        const auto seen = baseName.constFind(key);
        if (seen != baseName.cend() && d.name == *seen)
            continue; // deleted there, left as it was here
        merged.drafts.push_back(d);
        fileName.push_back(false);
    }

    // One name, one draft: the names the file gives keep their drafts; a name
    // given here that is in use meanwhile becomes the next free one.
    std::vector<Draft> named;
    for (const bool first : {true, false}) {
        for (size_t i = 0; i < merged.drafts.size(); ++i) {
            if (fileName[i] != first)
                continue;
            Draft& d = merged.drafts[i];
            const QString wanted = d.name;
            d.name = freeDraftName(named, wanted);
            if (d.name != wanted)
                merged.renamed.emplace_back(wanted, d.name);
            named.emplace_back().name = d.name;
        }
    }
    return merged;
}

} // namespace classdiv
