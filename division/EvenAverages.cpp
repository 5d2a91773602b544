#include "division/EvenAverages.h"

#include "division/EveningSearch.h"
#include "division/ScoreValue.h"

#include <QHash>

#include <algorithm>
#include <map>
#include <memory>

namespace classdiv {

namespace {

const QString kNothingToEvenMessage = QStringLiteral(
    "どのグループも1つのクラスだけに振り分ける条件なので、入れ替えられる生徒がいません。"
    "平均点はこれ以上そろえられません。");

// The year as the search sees it, and the way back to the student rows.
struct YearModel {
    evening::Problem problem;
    std::vector<int> classNumber; // class index -> class number
    std::vector<int> group;       // student index -> group number G
    std::vector<int> rank;        // student index -> rank w in the group
    std::vector<int> row;         // student index -> row of the StudentTable
    std::vector<QString> marks;   // mark index -> the mark's text
};

QString ruleText(const std::vector<QString>& column, int row)
{
    return row >= 0 && row < static_cast<int>(column.size()) ? column[row].trimmed() : QString();
}

// The strata a score counts in, as the distribution table tests them.
int bandPattern(double s, const ScoreBands& bands)
{
    const std::array<bool, 7> in = strataOfScore(s, bands);
    int pattern = 0;
    for (int i = 0; i < 6; ++i)
        pattern |= in[i + 1] ? 1 << i : 0;
    return pattern;
}

// Built after the press's checks passed: every group has valid plan rows.
YearModel buildModel(const ConditionsWorkspace& ws, const StudentTable& table, const ScoreValues& scores,
                     const SpreadRules& rules)
{
    YearModel model;
    evening::Problem& p = model.problem;

    // The year's boundary points do not depend on the classes.
    auto bands = std::make_unique<DistributionTable>();
    fillDistributionTable(table, scores, *bands);
    const ScoreBands& points = bands->bands;

    // mixingDeviation() and averageSpread() may read conditions no press has
    // checked: only what the tables hold is read.
    const int groups = std::min<int>(ws.groupCount(), static_cast<int>(std::min(ws.conditions.size(), ws.groupStudentRows.size())) - 1);
    const auto rowsOf = [&](int g) { return std::clamp<int>(ws.conditions[g].classCount, 0, kMaxPlanRows); };
    std::map<int, int> classIndex;
    for (int g = 1; g <= groups; ++g) {
        const GroupCondition& c = ws.conditions[g];
        for (int k = 1; k <= rowsOf(g); ++k)
            classIndex.emplace(c.rows[k].classNumber, 0);
    }
    for (auto& [number, index] : classIndex) {
        index = static_cast<int>(model.classNumber.size());
        model.classNumber.push_back(number);
    }
    p.classCount = static_cast<int>(model.classNumber.size());

    std::map<int, int> bandIndex;
    QHash<QString, int> markIndex;
    QHash<QString, int> mixIndex;
    for (int g = 1; g <= groups; ++g) {
        const GroupCondition& c = ws.conditions[g];
        evening::Group group;
        for (int k = 1; k <= rowsOf(g); ++k) {
            if (std::find(group.classes.begin(), group.classes.end(), classIndex.at(c.rows[k].classNumber))
                != group.classes.end())
                continue; // a class typed twice; a press refuses such conditions
            group.classes.push_back(classIndex.at(c.rows[k].classNumber));
            group.headCounts.push_back(c.rows[k].headCount);
        }
        const int size = std::min<int>(ws.groupSize[g], static_cast<int>(ws.groupStudentRows[g].size()) - 1);
        for (int w = 1; w <= size; ++w) {
            const int row = ws.groupStudentRows[g][w];
            evening::Student student;
            student.group = g - 1;
            student.score = scores.value[row];
            student.order = row;
            student.band = bandIndex.emplace(bandPattern(student.score, points), static_cast<int>(bandIndex.size()))
                               .first->second;
            if (const QString mark = ruleText(rules.marks, row); !mark.isEmpty()) {
                student.mark = markIndex.value(mark, static_cast<int>(markIndex.size()));
                if (student.mark == static_cast<int>(markIndex.size())) {
                    markIndex.insert(mark, student.mark);
                    model.marks.push_back(mark);
                }
            }
            if (const QString value = ruleText(rules.mixValues, row); !value.isEmpty()) {
                student.mix = mixIndex.value(value, static_cast<int>(mixIndex.size()));
                if (student.mix == static_cast<int>(mixIndex.size()))
                    mixIndex.insert(value, student.mix);
            }
            group.students.push_back(static_cast<int>(p.students.size()));
            p.students.push_back(student);
            model.group.push_back(g);
            model.rank.push_back(w);
            model.row.push_back(row);
        }
        p.groups.push_back(std::move(group));
    }
    p.bandCount = std::max<int>(1, static_cast<int>(bandIndex.size()));
    p.wholeScores = scores.smallWhole;
    p.markCount = static_cast<int>(markIndex.size());
    p.mixCount = static_cast<int>(mixIndex.size());

    // Fair shares of the mixing values, pool by pool (see mixingDeviation).
    p.mixShare.assign(static_cast<size_t>(p.classCount) * p.mixCount, 0.0);
    if (p.mixCount > 0) {
        std::map<std::vector<int>, std::vector<int>> pools; // sorted classes -> groups
        for (size_t g = 0; g < p.groups.size(); ++g) {
            std::vector<int> classes = p.groups[g].classes;
            std::sort(classes.begin(), classes.end());
            pools[classes].push_back(static_cast<int>(g));
        }
        for (const auto& [classes, groups] : pools) {
            std::vector<int> heads(p.classCount, 0);
            std::vector<int> holding(p.mixCount, 0);
            int size = 0;
            for (int g : groups) {
                const evening::Group& group = p.groups[g];
                for (size_t l = 0; l < group.classes.size(); ++l)
                    heads[group.classes[l]] += group.headCounts[l];
                for (int s : group.students) {
                    ++size;
                    if (p.students[s].mix >= 0)
                        ++holding[p.students[s].mix];
                }
            }
            if (size == 0)
                continue;
            for (int c : classes) {
                for (int v = 0; v < p.mixCount; ++v)
                    p.mixShare[static_cast<size_t>(c) * p.mixCount + v] += double(heads[c]) * holding[v] / size;
            }
        }
    }
    return model;
}

// The students' present classes as class indices; -1 for a class outside
// the plan of the student's group.
std::vector<int> presentClasses(const YearModel& model, const StudentTable& table)
{
    std::vector<int> classOf(model.row.size(), -1);
    for (size_t s = 0; s < model.row.size(); ++s) {
        bool ok = false;
        const int number = table.records[model.row[s]].newClass.toInt(&ok);
        if (!ok)
            continue;
        const evening::Group& group = model.problem.groups[model.problem.students[s].group];
        for (int c : group.classes) {
            if (model.classNumber[c] == number)
                classOf[s] = c;
        }
    }
    return classOf;
}

// A draw the evening out can start from: every student in a class of its
// plan and every (group, class) head count as planned.
bool fitsThePlans(const YearModel& model, const std::vector<int>& classOf)
{
    for (const evening::Group& group : model.problem.groups) {
        std::vector<int> count(group.classes.size(), 0);
        for (int s : group.students) {
            const auto l = std::find(group.classes.begin(), group.classes.end(), classOf[s]);
            if (l == group.classes.end())
                return false;
            ++count[l - group.classes.begin()];
        }
        if (count != group.headCounts)
            return false;
    }
    return true;
}

std::optional<Message> sameMarkForAll(const ConditionsWorkspace& ws, const StudentTable& table, const SpreadRules& rules)
{
    const int n = table.studentCount();
    if (rules.marks.empty() || n < 2)
        return std::nullopt;
    const QString first = ruleText(rules.marks, 1);
    if (first.isEmpty())
        return std::nullopt;
    for (int row = 2; row <= n; ++row) {
        if (ruleText(rules.marks, row) != first)
            return std::nullopt;
    }
    std::vector<int> classes;
    for (int g = 1; g <= ws.groupCount(); ++g) {
        for (int k = 1; k <= ws.conditions[g].classCount; ++k)
            classes.push_back(ws.conditions[g].rows[k].classNumber);
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

// The marked students who still share a class with a student of the same
// mark, in file order, one line each.
std::optional<Message> unseparatedMarks(const YearModel& model, const std::vector<int>& classOf, const StudentTable& table)
{
    const evening::Problem& p = model.problem;
    std::map<std::pair<int, int>, int> together; // (class, mark) -> students
    for (size_t s = 0; s < p.students.size(); ++s) {
        if (p.students[s].mark >= 0)
            ++together[{classOf[s], p.students[s].mark}];
    }
    std::vector<std::pair<int, int>> rows; // (row, mark)
    for (size_t s = 0; s < p.students.size(); ++s) {
        if (p.students[s].mark >= 0 && together[{classOf[s], p.students[s].mark}] > 1)
            rows.emplace_back(model.row[s], p.students[s].mark);
    }
    if (rows.empty())
        return std::nullopt;
    std::sort(rows.begin(), rows.end());
    constexpr int kListed = 20;
    QString text = QStringLiteral("同じ印の生徒を別々のクラスにできませんでした。"
                                  "グループの振り分け先のクラスが足りません。\n");
    for (int i = 0; i < static_cast<int>(rows.size()) && i < kListed; ++i) {
        const StudentRecord& r = table.records[rows[i].first];
        text += QStringLiteral("\n%1行目　%2　%3　（印「%4」）")
                    .arg(rows[i].first + 1)
                    .arg(r.studentId, r.name, model.marks[rows[i].second]);
    }
    if (rows.size() > kListed)
        text += QStringLiteral("\nほか%1人").arg(rows.size() - kListed);
    return Message{text, QString()};
}

uint64_t seedFrom(RandomSource& random)
{
    random.reseed();
    uint64_t seed = 0;
    for (int i = 0; i < 4; ++i)
        seed = seed * 0x1000193ULL ^ static_cast<uint64_t>(random.next() * 16777216.0f) << (i * 13);
    return seed;
}

void writeBack(const YearModel& model, const std::vector<int>& classOf, ConditionsWorkspace& ws,
               DivisionState& state, StudentTable& table)
{
    for (size_t s = 0; s < classOf.size(); ++s) {
        const int g = model.group[s];
        const int w = model.rank[s];
        const GroupCondition& c = ws.conditions[g];
        const int number = model.classNumber[classOf[s]];
        int k = 1;
        while (k < c.classCount && c.rows[k].classNumber != number)
            ++k;
        const bool prepared = g < static_cast<int>(state.rowClassText.size()) && state.rowClassText[g][k] == QString::number(number);
        QString& newClass = table.records[model.row[s]].newClass;
        if (prepared) {
            if (!newClass.isSharedWith(state.rowClassText[g][k]))
                newClass = state.rowClassText[g][k];
        } else {
            newClass = QString::number(number);
        }
        // The press's rank tables follow, so they describe the classes shown.
        if (g < static_cast<int>(state.rankClass.size()) && w < static_cast<int>(state.rankClass[g].size())) {
            state.rankClass[g][w] = static_cast<int16_t>(number);
            state.rankRow[g][w] = static_cast<int8_t>(k);
        }
    }
}

} // namespace

EvenAveragesOutcome evenAverages(ConditionsWorkspace& ws, DivisionState& state, StudentTable& table,
                                 DistributionTable& distribution, RandomSource& random, const SpreadRules& rules,
                                 bool pressFirst)
{
    auto scores = std::make_unique<ScoreValues>();
    readScores(table, *scores);
    if (auto refusal = checkPress(ws, table, *scores))
        return EvenAveragesOutcome{std::move(refusal), false};
    if (auto refusal = sameMarkForAll(ws, table, rules))
        return EvenAveragesOutcome{std::move(refusal), false};

    YearModel model = buildModel(ws, table, *scores, rules);
    std::vector<int> classOf = presentClasses(model, table);
    bool drawn = false;
    if (pressFirst || conditionsChangedSincePreparation(ws, state) || !fitsThePlans(model, classOf)) {
        const DrawOutcome press = drawClasses(ws, state, table, distribution, random);
        if (press.message)
            return EvenAveragesOutcome{press.message, press.drawn};
        drawn = press.drawn;
        classOf = presentClasses(model, table);
    }

    const bool movable = std::any_of(model.problem.groups.begin(), model.problem.groups.end(),
                                     [](const evening::Group& g) { return g.classes.size() > 1; });
    if (!movable)
        return EvenAveragesOutcome{Message{kNothingToEvenMessage, QString()}, drawn};

    evening::evenOut(model.problem, classOf, seedFrom(random));
    writeBack(model, classOf, ws, state, table);
    fillDistributionTable(table, *scores, distribution);
    return EvenAveragesOutcome{unseparatedMarks(model, classOf, table), true};
}

double mixingDeviation(const ConditionsWorkspace& ws, const StudentTable& table, const SpreadRules& rules)
{
    if (rules.mixValues.empty())
        return 0;
    auto scores = std::make_unique<ScoreValues>();
    readScores(table, *scores);
    const YearModel model = buildModel(ws, table, *scores, rules);
    return evening::mixingDeviation(model.problem, presentClasses(model, table));
}

double averageSpread(const ConditionsWorkspace& ws, const StudentTable& table)
{
    auto scores = std::make_unique<ScoreValues>();
    readScores(table, *scores);
    const YearModel model = buildModel(ws, table, *scores, {});
    return evening::averageSpread(model.problem, presentClasses(model, table));
}

} // namespace classdiv
