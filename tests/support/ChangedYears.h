#pragma once
// Two years whose roster or plans changed after a draft was kept, for the
// benchmark of 最小の移動で直す and the exact reference: the 500 under every
// rule with 3 students gone, 2 new and 1 in another group; and a year of 281
// in 9 classes that became 280 in 8 (the 35-student rule). The draft is the
// year's own division (a press by number, evened out), carried over by row.

#include "support/BenchmarkYears.h"

#include "division/Year.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace classdiv::testing {

struct ChangedYear {
    Students students;
    ConditionsWorkspace ws;
    SpreadRules rules;
    std::vector<int16_t> draft; // [row]: the kept class; kUnplacedClass for a new student

    // The changed year with the draft on screen.
    Year year() const
    {
        Year y(students, ws);
        y.setRules(rules);
        y.restoreDraw(draft, {}, 0);
        return y;
    }
};

// A year for scripts/exact_moves.py, at `path`: the CSV (UTF-8 with a byte
// order mark) with columns 番号, 氏名, グループ, 点数, 別クラス, 同じクラス,
// クラス指定, 案 (the kept class, 0 for a new student), 直した組 (a mend of
// it), the flag columns, then 混ぜる (the mixing column); its conditions
// file beside it.
inline void writeMovesYear(const QString& path, const Students& students, const ConditionsWorkspace& ws, const SpreadRules& rules,
                           const std::vector<int16_t>& draft, const std::vector<int16_t>& mended)
{
    QString csv = QStringLiteral("番号,氏名,グループ,点数,別クラス,同じクラス,クラス指定,案,直した組");
    for (const FlagColumn& flag : rules.columns[RuleBox::Flags])
        csv += u',' + flag.name;
    csv += QStringLiteral(",混ぜる\r\n");
    for (int r = 1; r <= students.count(); ++r) {
        const Student& s = students[r];
        QStringList cells{s.id, s.name, s.group, s.scoreText, ruleText(rules.cells[RuleBox::Marks], r),
                          ruleText(rules.cells[RuleBox::Together], r), ruleText(rules.cells[RuleBox::Fixed], r),
                          QString::number(draft[size_t(r)]), QString::number(mended[size_t(r)])};
        for (const FlagColumn& flag : rules.columns[RuleBox::Flags])
            cells << ruleText(flag.values, r);
        cells << ruleText(rules.cells[RuleBox::Mix], r);
        csv += cells.join(u',') + QStringLiteral("\r\n");
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    const auto write = [](const QString& to, const QByteArray& bytes) {
        QFile file(to);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            throw std::runtime_error("cannot write the year");
    };
    write(path, "\xEF\xBB\xBF" + csv.toUtf8());
    write(YearFiles(path).conditionsPath(), formatConditionsFile(ws));
}

// The base year's division: a press by a fixed number, evened out.
inline std::vector<int16_t> keptDraft(const RulesYear& base)
{
    Year year(base.division.students, base.division.ws);
    year.setRules(base.rules);
    NumberedRandomSource random(20260401);
    if (year.evenOut(random, true).message || !year.hasDraw())
        throw std::runtime_error("the base year does not divide");
    return year.classes();
}

// The plan of a group whose size changed: a seat more in the smallest
// classes, or one fewer in the largest, one at a time, the rest as it was.
inline std::vector<std::pair<int, int>> fittedPlan(std::vector<std::pair<int, int>> plan, int size)
{
    int sum = 0;
    for (const auto& [number, head] : plan)
        sum += head;
    for (; sum != size; sum += sum < size ? 1 : -1) {
        auto at = plan.begin();
        for (auto it = plan.begin(); it != plan.end(); ++it)
            if (sum < size ? it->second < at->second : it->second > at->second)
                at = it;
        at->second += sum < size ? 1 : -1;
    }
    return plan;
}

// The base year without `removed` rows, with `added` students at the end and
// `regrouped` (row, group) moved to another group; plans fitted to the new
// sizes, or replaced where `plans` names a group.
inline ChangedYear changedYear(const RulesYear& base, const std::vector<int>& removed, const std::vector<StudentRecord>& added,
                               const std::vector<std::pair<int, QString>>& regrouped,
                               const std::map<QString, std::vector<std::pair<int, int>>>& plans = {})
{
    const std::vector<int16_t> draft = keptDraft(base);
    const Students& old = base.division.students;
    const SpreadRules& r = base.rules;
    std::vector<StudentRecord> records;
    ChangedYear out;
    out.draft.push_back(0);
    blankRules(out.rules, 0);
    out.rules.cells[RuleBox::Marks].clear(), out.rules.cells[RuleBox::Together].clear(), out.rules.cells[RuleBox::Fixed].clear();
    for (const FlagColumn& flag : r.columns[RuleBox::Flags])
        out.rules.columns[RuleBox::Flags].push_back({flag.name, {QString()}});
    out.rules.cells[RuleBox::Marks].push_back({}), out.rules.cells[RuleBox::Together].push_back({}), out.rules.cells[RuleBox::Fixed].push_back({});
    const auto cell = [](const std::vector<QString>& column, int row) { return ruleText(column, row); };
    for (int row = 1; row <= old.count(); ++row) {
        if (std::find(removed.begin(), removed.end(), row) != removed.end())
            continue;
        StudentRecord record{old[row].id, old[row].name, old[row].group, old[row].scoreText};
        for (const auto& [at, group] : regrouped)
            if (at == row)
                record.group = group;
        records.push_back(record);
        out.draft.push_back(draft[static_cast<size_t>(row)]);
        out.rules.cells[RuleBox::Marks].push_back(cell(r.cells[RuleBox::Marks], row));
        out.rules.cells[RuleBox::Together].push_back(cell(r.cells[RuleBox::Together], row));
        out.rules.cells[RuleBox::Fixed].push_back(cell(r.cells[RuleBox::Fixed], row));
        for (size_t k = 0; k < r.columns[RuleBox::Flags].size(); ++k)
            out.rules.columns[RuleBox::Flags][k].values.push_back(cell(r.columns[RuleBox::Flags][k].values, row));
    }
    for (const StudentRecord& record : added) {
        records.push_back(record);
        out.draft.push_back(kUnplacedClass);
        out.rules.cells[RuleBox::Marks].push_back({}), out.rules.cells[RuleBox::Together].push_back({}), out.rules.cells[RuleBox::Fixed].push_back({});
        for (FlagColumn& flag : out.rules.columns[RuleBox::Flags])
            flag.values.push_back({});
    }
    out.students = studentsOf(records);
    out.ws = loadGroups(out.students).workspace;
    for (int g = 1; g <= out.ws.groupCount(); ++g) {
        const QString& name = out.ws.groupName[static_cast<size_t>(g)];
        std::vector<std::pair<int, int>> plan;
        for (int h = 1; h <= base.division.ws.groupCount(); ++h) {
            if (base.division.ws.groupName[static_cast<size_t>(h)] != name)
                continue;
            const GroupCondition& c = base.division.ws.conditions[static_cast<size_t>(h)];
            for (int k = 1; k <= c.classCount; ++k)
                plan.emplace_back(c.rows[k].classNumber, c.rows[k].headCount);
        }
        plan = plans.count(name) ? plans.at(name) : fittedPlan(plan, out.ws.groupSize[static_cast<size_t>(g)]);
        GroupCondition& c = out.ws.conditions[static_cast<size_t>(g)];
        c.classCount = static_cast<int16_t>(plan.size());
        for (size_t k = 0; k < plan.size(); ++k)
            c.rows[k + 1] = {static_cast<int16_t>(plan[k].first), static_cast<int16_t>(plan[k].second), 0};
    }
    return out;
}

// rulesYear with 3 students gone (one each of 組1, 組4 and 組7, under no
// rule), 2 new ones (組2 and 組6) and one student of 組3 now in 組5.
inline ChangedYear changedRulesYear()
{
    const RulesYear base = rulesYear();
    const Students& s = base.division.students;
    const auto freeRowOf = [&](const QString& group, int skip) {
        for (int row = s.count(); row >= 1; --row) {
            bool ruled = !ruleText(base.rules.cells[RuleBox::Marks], row).isEmpty() || !ruleText(base.rules.cells[RuleBox::Together], row).isEmpty() ||
                         !ruleText(base.rules.cells[RuleBox::Fixed], row).isEmpty();
            for (const FlagColumn& flag : base.rules.columns[RuleBox::Flags])
                ruled = ruled || !ruleText(flag.values, row).isEmpty();
            if (s[row].group == group && !ruled && skip-- == 0)
                return row;
        }
        throw std::runtime_error("no such student");
    };
    return changedYear(base, {freeRowOf(QStringLiteral("組1"), 0), freeRowOf(QStringLiteral("組4"), 0), freeRowOf(QStringLiteral("組7"), 0)},
                       {{QStringLiteral("転入1"), QStringLiteral("転入生一"), QStringLiteral("組2"), QStringLiteral("58")},
                        {QStringLiteral("転入2"), QStringLiteral("転入生二"), QStringLiteral("組6"), QStringLiteral("71")}},
                       {{freeRowOf(QStringLiteral("組3"), 0), QStringLiteral("組5")}});
}

// 281 students in 9 classes (32 in two, 31 in seven), 性別 and リーダー as
// flag columns and 8 pairs kept apart; then one student leaves and the 280
// go into 8 classes of 35: class 9's students have a class no longer planned.
inline ChangedYear fewerClassesYear()
{
    YearNumbers numbers(281);
    std::vector<std::pair<int, int>> plan;
    for (int k = 1; k <= 9; ++k)
        plan.emplace_back(k, k <= 2 ? 32 : 31);
    const std::vector<int> whole = numbers.scores(281, 60, 15);
    RulesYear base{DivisionYear({{QStringLiteral("学年"), 281, plan}}, false, {{whole.begin(), whole.end()}}), {}};
    const int n = base.division.students.count();
    std::vector<int> order = shuffledRows(numbers, n);
    blankRules(base.rules, n);
    FlagColumn sex{QStringLiteral("性別"), std::vector<QString>(n + 1)};
    FlagColumn leader{QStringLiteral("リーダー"), std::vector<QString>(n + 1)};
    for (int i = 0; i < n; ++i)
        sex.values[order[i]] = i < 142 ? QStringLiteral("男") : QStringLiteral("女");
    for (int i = n - 1; i > 0; --i)
        std::swap(order[i], order[numbers.below(i + 1)]);
    size_t next = 0;
    for (int pair = 0; pair < 8; ++pair)
        for (int i = 0; i < 2; ++i)
            base.rules.cells[RuleBox::Marks][order[next++]] = QStringLiteral("離%1").arg(pair);
    for (int i = 0; i < 18; ++i)
        leader.values[order[next++]] = QStringLiteral("○");
    base.rules.columns[RuleBox::Flags] = {sex, leader};
    std::vector<std::pair<int, int>> eight;
    for (int k = 1; k <= 8; ++k)
        eight.emplace_back(k, 35);
    return changedYear(base, {order[next]}, {}, {}, {{QStringLiteral("学年"), eight}});
}

} // namespace classdiv::testing
