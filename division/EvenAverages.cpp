#include "division/EvenAverages.h"

#include "division/EveningSearch.h"
#include "division/DistributionTable.h"
#include "division/Year.h"

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
    std::vector<int> row;         // student index -> student row
    std::vector<QString> marks;   // mark index -> the mark's text
};

QString ruleText(const std::vector<QString>& column, int row)
{
    return row >= 0 && row < static_cast<int>(column.size()) ? column[row].trimmed() : QString();
}

// Built after the press's checks passed: every group has valid plan rows.
YearModel buildModel(const Year& year, const SpreadRules& rules)
{
    const ConditionsWorkspace& ws = year.workspace();
    const Students& students = year.students();
    YearModel model;
    evening::Problem& p = model.problem;

    // mixingDeviation() and averageSpread() may read conditions no press has
    // checked: only what the tables hold is read.
    const int groups = std::min<int>(ws.groupCount(), static_cast<int>(std::min(ws.conditions.size(), ws.groupStudents.size())) - 1);
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
        const int size = std::min<int>(ws.groupSize[g], static_cast<int>(ws.groupStudents[g].size()) - 1);
        for (int w = 1; w <= size; ++w) {
            const int row = ws.groupStudents[g][w];
            evening::Student student;
            student.group = g - 1;
            student.score = students[row].score;
            student.order = row;
            student.band = bandOfScore(student.score, year.bands()) - 1;
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
            model.row.push_back(row);
        }
        p.groups.push_back(std::move(group));
    }
    p.bandCount = 6;
    p.wholeScores = students.wholeScores;
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

// The students' classes as class indices; -1 for a class outside the plan
// of the student's group.
std::vector<int> presentClasses(const YearModel& model, const std::vector<int16_t>& classes)
{
    std::vector<int> classOf(model.row.size(), -1);
    for (size_t s = 0; s < model.row.size(); ++s) {
        const int number = classAt(classes, model.row[s]);
        const evening::Group& group = model.problem.groups[model.problem.students[s].group];
        for (int c : group.classes) {
            if (model.classNumber[c] == number)
                classOf[s] = c;
        }
    }
    return classOf;
}

} // namespace

std::optional<Message> sameMarkForAll(const ConditionsWorkspace& ws, const Students& students, const SpreadRules& rules)
{
    const int n = students.count();
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

bool fitsThePlans(const ConditionsWorkspace& ws, const std::vector<int16_t>& classes)
{
    for (int g = 1; g <= ws.groupCount(); ++g) {
        const GroupCondition& c = ws.conditions[g];
        std::array<int, kMaxPlanRows + 1> count{};
        for (int w = 1; w <= ws.groupSize[g]; ++w) {
            const int number = classAt(classes, ws.groupStudents[g][w]);
            int k = 1;
            while (k <= c.classCount && c.rows[k].classNumber != number)
                ++k;
            if (k > c.classCount)
                return false;
            ++count[k];
        }
        for (int k = 1; k <= c.classCount; ++k) {
            if (count[k] != c.rows[k].headCount)
                return false;
        }
    }
    return true;
}

namespace {

// The marked students who still share a class with a student of the same
// mark, in file order, one line each.
std::optional<Message> unseparatedMarks(const YearModel& model, const std::vector<int>& classOf, const Students& students)
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
        const Student& r = students[rows[i].first];
        text += QStringLiteral("\n%1行目　%2　%3　（印「%4」）")
                    .arg(rows[i].first + 1)
                    .arg(r.id, r.name, model.marks[rows[i].second]);
    }
    if (rows.size() > kListed)
        text += QStringLiteral("\nほか%1人").arg(rows.size() - kListed);
    return Message{text, QString()};
}

} // namespace

uint64_t seedFrom(RandomSource& random)
{
    random.reseed();
    uint64_t seed = 0;
    for (int i = 0; i < 4; ++i)
        seed = seed * 0x1000193ULL ^ static_cast<uint64_t>(random.next() * 16777216.0f) << (i * 13);
    return seed;
}

EvenResult evenClasses(const Year& year, std::vector<int16_t>& classes, uint64_t seed)
{
    const YearModel model = buildModel(year, year.rules());
    const bool movable = std::any_of(model.problem.groups.begin(), model.problem.groups.end(),
                                     [](const evening::Group& g) { return g.classes.size() > 1; });
    if (!movable)
        return {Message{kNothingToEvenMessage, QString()}, false};

    std::vector<int> classOf = presentClasses(model, classes);
    evening::evenOut(model.problem, classOf, seed);
    for (size_t s = 0; s < classOf.size(); ++s)
        classes[model.row[s]] = static_cast<int16_t>(model.classNumber[classOf[s]]);
    return {unseparatedMarks(model, classOf, year.students()), true};
}

double mixingDeviation(const Year& year)
{
    if (year.rules().mixValues.empty())
        return 0;
    const YearModel model = buildModel(year, year.rules());
    return evening::mixingDeviation(model.problem, presentClasses(model, year.classes()));
}

double averageSpread(const Year& year, const std::vector<int16_t>& classes)
{
    YearModel model = buildModel(year, {});
    model.problem.wholeScores = true; // summed as they are, without the table's rounding
    return evening::averageSpread(model.problem, presentClasses(model, classes));
}

double averageSpread(const Year& year)
{
    return averageSpread(year, year.classes());
}

} // namespace classdiv
