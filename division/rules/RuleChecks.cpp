#include "division/rules/RuleChecks.h"


#include <QHash>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace classdiv {

namespace {

constexpr int kListedStudents = 20;

const QString kRulesMessage = QStringLiteral(
    "クラス分けの決まりの中に、守ることのできないものがあります。クラス分けは変えていません。\n"
    "ＣＳＶファイルの決まりの列を直すか、「クラス分けの決まり」(Ctrl+K) で列を選び直して下さい。\n");

// The classes of group g as its plan rows give them.
std::vector<int> classesOf(const ConditionsWorkspace& ws, int g)
{
    std::vector<int> classes;
    for (int k = 1; k <= ws.conditions[g].classCount; ++k)
        classes.push_back(ws.conditions[g].rows[k].classNumber);
    return classes;
}

int headCountOf(const ConditionsWorkspace& ws, int g, int classNumber)
{
    for (int k = 1; k <= ws.conditions[g].classCount; ++k)
        if (ws.conditions[g].rows[k].classNumber == classNumber)
            return ws.conditions[g].rows[k].headCount;
    return 0;
}

// Students sharing a value of a column, in the order of the file; the values in the order of their text.
std::map<QString, std::vector<int>> setsOf(const TypedColumn& column, int students)
{
    std::map<QString, std::vector<int>> sets;
    for (int row = 1; row <= students; ++row)
        if (const int v = column.of(row); v >= 0)
            sets[column.values[static_cast<size_t>(v)]].push_back(row);
    return sets;
}

// Whether the students can each have a class of their own among the classes
// allowed to them (a matching, found by augmenting paths).
bool canPart(const std::vector<std::vector<int>>& allowed)
{
    std::map<int, int> holder; // class -> index into allowed
    std::function<bool(int, std::set<int>&)> place = [&](int s, std::set<int>& seen) {
        for (int c : allowed[s]) {
            if (!seen.insert(c).second)
                continue;
            const auto at = holder.find(c);
            if (at == holder.end() || place(at->second, seen)) {
                holder[c] = s;
                return true;
            }
        }
        return false;
    };
    for (int s = 0; s < static_cast<int>(allowed.size()); ++s) {
        std::set<int> seen;
        if (!place(s, seen))
            return false;
    }
    return true;
}

std::optional<Message> sameMarkForAll(const ConditionsWorkspace& ws, const Students& students, const RuleSet& rules)
{
    const int n = students.count();
    const TypedColumn& marks = rules.markColumn;
    if (!marks.set() || n < 2 || marks.of(1) < 0)
        return std::nullopt;
    for (int row = 2; row <= n; ++row) {
        if (marks.of(row) != marks.of(1))
            return std::nullopt;
    }
    const QString first = marks.values[static_cast<size_t>(marks.of(1))];
    std::vector<int> classes;
    for (int g = 1; g <= ws.groupCount(); ++g) {
        const std::vector<int> own = classesOf(ws, g);
        classes.insert(classes.end(), own.begin(), own.end());
    }
    std::sort(classes.begin(), classes.end());
    if (std::unique(classes.begin(), classes.end()) - classes.begin() >= n)
        return std::nullopt;
    return Message{QStringLiteral("別クラスの列では全員に同じ印「%1」が付いています。"
                                  "全員を別々のクラスにはできないので、クラス分けは変えていません。"
                                  "列の選び方を確かめて下さい。")
                       .arg(first),
                   titles::inputMistake};
}

} // namespace

QString studentLines(const Students& students, const std::vector<std::pair<int, QString>>& rowsAndRules)
{
    QString text;
    for (int i = 0; i < static_cast<int>(rowsAndRules.size()) && i < kListedStudents; ++i) {
        const auto& [row, rule] = rowsAndRules[i];
        text += QStringLiteral("\n%1行目　%2　%3　（%4）").arg(row + 1).arg(students[row].id, students[row].name, rule);
    }
    if (rowsAndRules.size() > size_t(kListedStudents))
        text += QStringLiteral("\nほか%1人").arg(rowsAndRules.size() - kListedStudents);
    return text;
}

std::optional<Message> checkRules(const ConditionsWorkspace& ws, const Students& students, const RuleSet& rules)
{
    if (auto refusal = sameMarkForAll(ws, students, rules))
        return refusal;
    const int n = students.count();
    std::vector<int> groupOf(n + 1, 0);
    for (int g = 1; g <= ws.groupCount(); ++g)
        for (int w = 1; w <= ws.groupSize[g]; ++w)
            groupOf[ws.groupStudents[g][w]] = g;
    const auto opens = [&](int row, int c) {
        const std::vector<int> classes = classesOf(ws, groupOf[row]);
        return std::find(classes.begin(), classes.end(), c) != classes.end();
    };

    std::vector<std::pair<int, QString>> conflicts;
    const auto name = [&](const std::vector<int>& rows, const QString& rule) {
        for (int row : rows)
            conflicts.emplace_back(row, rule);
    };

    // Fixed classes: one of the group's, and no more of them than the class takes.
    std::vector<int> fixedTo(n + 1, 0);
    std::map<std::pair<int, int>, std::vector<int>> fixedIn; // (group, class) -> rows
    for (int row = 1; row <= n; ++row) {
        const std::optional<int> fixed = rules.fixedClassAt(row);
        if (!fixed)
            continue;
        const QString cell = rules.fixedColumn.values[static_cast<size_t>(rules.fixedColumn.of(row))];
        const int c = *fixed;
        if (c < 1 || !opens(row, c)) {
            name({row}, QStringLiteral("クラス指定「%1」：このグループのクラスではありません").arg(cell));
            continue;
        }
        fixedTo[row] = c;
        fixedIn[{groupOf[row], c}].push_back(row);
    }
    for (const auto& [where, rows] : fixedIn) {
        const int head = headCountOf(ws, where.first, where.second);
        if (static_cast<int>(rows.size()) > head)
            name(rows, QStringLiteral("クラス指定「%1」：このグループの%2組は%3人なのに、%4人が指定されています")
                           .arg(where.second).arg(where.second).arg(head).arg(rows.size()));
    }

    // Together sets: a shared class, one fixed class at most, room beside the
    // students fixed there, and no mark to keep two of them apart.
    for (const auto& set : setsOf(rules.togetherColumn, n)) {
        const std::vector<int>& rows = set.second; // a plain name: lambdas below capture it
        const QString rule = QStringLiteral("同じクラス「%1」").arg(set.first);
        std::vector<int> shared = classesOf(ws, groupOf[rows.front()]);
        std::set<int> fixedClasses;
        std::set<int> marks;
        bool markedTwice = false;
        for (int row : rows) {
            std::erase_if(shared, [&](int c) { return !opens(row, c); });
            if (fixedTo[row] != 0)
                fixedClasses.insert(fixedTo[row]);
            const int mark = rules.markColumn.of(row);
            markedTwice = markedTwice || (mark >= 0 && !marks.insert(mark).second);
        }
        if (shared.empty()) {
            name(rows, rule + QStringLiteral("：グループに共通のクラスがありません"));
        } else if (fixedClasses.size() > 1) {
            name(rows, rule + QStringLiteral("：クラス指定が食い違っています"));
        } else if (markedTwice) {
            name(rows, rule + QStringLiteral("：同じ「別のクラスにする印」の生徒がいます"));
        } else {
            const auto fits = [&](int c) {
                std::map<int, int> members; // group -> members of the set
                for (int row : rows)
                    ++members[groupOf[row]];
                for (const auto& [g, count] : members) {
                    const auto fixedThere = fixedIn.find({g, c});
                    int others = 0;
                    if (fixedThere != fixedIn.end())
                        for (int row : fixedThere->second)
                            others += std::find(rows.begin(), rows.end(), row) == rows.end();
                    if (count > headCountOf(ws, g, c) - others)
                        return false;
                }
                return true;
            };
            if (!fixedClasses.empty())
                shared = {*fixedClasses.begin()};
            if (std::none_of(shared.begin(), shared.end(), fits))
                name(rows, rule + QStringLiteral("：%1人が入れるクラスがありません").arg(rows.size()));
        }
    }

    // Keep-apart marks: a class of its own for each of them, among the
    // classes its fixed class or its together set leaves it.
    std::vector<std::vector<int>> allowedOf(n + 1);
    for (int row = 1; row <= n; ++row)
        allowedOf[row] = fixedTo[row] != 0 ? std::vector<int>{fixedTo[row]} : classesOf(ws, groupOf[row]);
    for (const auto& [value, rows] : setsOf(rules.togetherColumn, n)) {
        std::vector<int> shared = allowedOf[rows.front()];
        for (int row : rows)
            std::erase_if(shared, [&](int c) { return std::find(allowedOf[row].begin(), allowedOf[row].end(), c) == allowedOf[row].end(); });
        for (int row : rows)
            allowedOf[row] = shared;
    }
    for (const auto& [mark, rows] : setsOf(rules.markColumn, n)) {
        std::vector<std::vector<int>> allowed;
        for (int row : rows)
            allowed.push_back(allowedOf[row]);
        if (!canPart(allowed))
            name(rows, QStringLiteral("別クラス「%1」：%2人を別々にできるだけのクラスがありません").arg(mark).arg(rows.size()));
    }
    // The record's entries, like the marks; and no two of one entry in one together set.
    for (const ApartEntry& entry : rules.recordEntries) {
        std::vector<int> rows;
        for (int row : entry.rows)
            if (row >= 1 && row <= n && groupOf[row] != 0)
                rows.push_back(row);
        if (rows.size() < 2)
            continue;
        const QString rule = QStringLiteral("離す記録「%1」").arg(entry.label);
        std::map<int, std::vector<int>> together; // together value -> rows of the entry
        for (int row : rows)
            if (const int value = rules.togetherColumn.of(row); value >= 0)
                together[value].push_back(row);
        for (const auto& [value, same] : together)
            if (same.size() > 1)
                name(same, rule + QStringLiteral("：同じクラス「%1」の印も付いています").arg(rules.togetherColumn.values[static_cast<size_t>(value)]));
        std::vector<std::vector<int>> allowed;
        for (int row : rows)
            allowed.push_back(allowedOf[row]);
        if (!canPart(allowed))
            name(rows, rule + QStringLiteral("：%1人を別々にできるだけのクラスがありません").arg(rows.size()));
    }

    if (conflicts.empty())
        return std::nullopt;
    std::stable_sort(conflicts.begin(), conflicts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return Message{kRulesMessage + studentLines(students, conflicts), titles::inputMistake};
}

} // namespace classdiv
