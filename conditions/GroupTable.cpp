#include "conditions/GroupTable.h"

#include "common/Numbers.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <utility>

namespace classdiv {

namespace {

const QString kGroupsBeyondTableMessage =
    QStringLiteral("グループの数が３００を超えているため、処理できません。"
                   "グループの列の番号が正しいか確認してください。");

// The order of rows 1..n after ranking, as indices into the rows before it.
// Selection with "less or equal" followed by a reversal: the tie order of
// equal scores is part of what the draw depends on, so it must stay exactly so.
std::vector<int> rankingOrder(const std::vector<double>& values, int n)
{
    std::vector<int> order(static_cast<size_t>(n) + 1);
    std::iota(order.begin(), order.end(), 0);
    for (int i = 1; i <= n - 1; ++i) {
        double best = values[order[i]];
        int candidate = 0;
        for (int z = i + 1; z <= n; ++z) {
            if (values[order[z]] <= best) {
                best = values[order[z]];
                candidate = z;
            }
        }
        if (candidate != 0)
            std::swap(order[i], order[candidate]);
    }
    std::reverse(order.begin() + 1, order.begin() + 1 + n);
    return order;
}

std::vector<double> scoreValues(const std::vector<int16_t>& rows, int n, const Students& students)
{
    std::vector<double> values(static_cast<size_t>(n) + 1, 0.0);
    for (int r = 1; r <= n; ++r)
        values[r] = students[rows[r]].score;
    return values;
}

template <typename T>
void applyOrder(std::vector<T>& rows, const std::vector<int>& order)
{
    std::vector<T> ranked(rows);
    for (size_t r = 1; r < order.size(); ++r)
        ranked[r] = rows[order[r]];
    rows = std::move(ranked);
}

// A workspace of `names` (already in list order), every condition still 0.
ConditionsWorkspace emptyWorkspace(const QStringList& names)
{
    ConditionsWorkspace ws;
    const int groups = std::max<int>(1, names.size());
    ws.lastGroupIndex = static_cast<int16_t>(groups - 1);
    const size_t slotCount = static_cast<size_t>(groups) + 1;
    ws.groupName.assign(slotCount, QString());
    for (int g = 1; g <= names.size(); ++g)
        ws.groupName[g] = names[g - 1];
    ws.groupSize.assign(slotCount, 0);
    ws.groupStudents.assign(slotCount, std::vector<int16_t>(1, 0));
    ws.conditions.assign(slotCount, GroupCondition{});
    return ws;
}

} // namespace

// What the window holds after a refusal: the same as a year without students,
// so every later button works on a consistent, empty table.
LoadOutcome refusedLoad(const QString& text)
{
    LoadOutcome outcome;
    outcome.workspace = emptyWorkspace({QString()});
    outcome.listEntries = QStringList{QString()};
    outcome.studentCountText = plainInteger(0);
    outcome.groupCountText = plainInteger(1);
    outcome.refusal = Message{text, titles::error};
    return outcome;
}

bool groupNameLess(const QString& a, const QString& b)
{
    // Plain UTF-16 code-unit order: independent of the locale, so the
    // numbering is the same on every machine that reads the conditions file.
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

void rankByScore(std::vector<int16_t>& rows, int n, const Students& students)
{
    if (n < 0 || static_cast<size_t>(n) >= rows.size())
        throw std::out_of_range("rankByScore: fewer rows than asked to rank");
    if (n <= 1)
        return;
    applyOrder(rows, rankingOrder(scoreValues(rows, n, students), n));
}

LoadOutcome loadGroups(const Students& students)
{
    const int count = students.count();
    if (count > kMaxStudents)
        return refusedLoad(kStudentsBeyondTableMessage);

    // Distinct group values in order of first appearance. Student 1's value
    // is always entry 0, so a year without students has one empty group.
    QStringList distinct;
    distinct.append(count >= 1 ? students[1].group : QString());
    for (int j = 2; j <= count; ++j) {
        const QString& value = students[j].group;
        if (!distinct.contains(value, Qt::CaseSensitive)) {
            if (distinct.size() == kMaxGroups)
                return refusedLoad(kGroupsBeyondTableMessage);
            distinct.append(value);
        }
    }

    // The list is sorted, and the group numbers follow the list.
    QStringList names = distinct;
    std::sort(names.begin(), names.end(), groupNameLess);

    LoadOutcome outcome;
    ConditionsWorkspace ws = emptyWorkspace(names);
    for (int j = 1; j <= count; ++j) {
        for (int g = 1; g <= ws.groupCount(); ++g) {
            if (students[j].group == ws.groupName[g]) {
                // Never more than 500 students in all, so a group cannot outgrow its table.
                ++ws.groupSize[g];
                ws.groupStudents[g].push_back(static_cast<int16_t>(j));
            }
        }
    }
    for (int g = 1; g <= ws.groupCount(); ++g)
        rankByScore(ws.groupStudents[g], ws.groupSize[g], students);

    outcome.listEntries = names;
    outcome.studentCountText = plainInteger(count);
    outcome.groupCountText = plainInteger(ws.groupCount());
    outcome.workspace = std::move(ws);
    return outcome;
}

} // namespace classdiv
