#include "division/EvenAverages.h"

#include "division/draw/DistributionTable.h"
#include "division/evening/Search.h"
#include "division/evening/RuleAssignment.h"
#include "division/rules/RuleChecks.h"
#include "division/Year.h"

#include <QHash>

#include <algorithm>
#include <atomic>
#include <map>

namespace classdiv {

static_assert(evening::kFlagColumns == kMaxFlagColumns);
static_assert(evening::kScoreColumns == kMaxScoreColumns);

namespace {

const QString kNothingToEvenMessage = QStringLiteral(
    "どのグループも1つのクラスだけに振り分ける条件なので、入れ替えられる生徒がいません。"
    "平均点はこれ以上そろえられません。");
const QString kNoOtherChoiceMessage = QStringLiteral(
    "今の分け方と同じくらいそろった別の分け方は見つかりませんでした。クラス分けは変わっていません。");

// The year as the search sees it, and the way back to the student rows.
struct YearModel {
    evening::Problem problem;
    std::vector<int> classNumber; // class index -> class number
    std::vector<int> row;         // student index -> student row
    std::vector<QString> marks;   // mark index -> the mark's text
    std::vector<QString> units;   // together set -> its value
    std::array<std::vector<QString>, kMaxFlagColumns> flagValues; // value index -> text, per flag column
};

// Numbers the distinct non-empty texts of a column in the order they come.
class Values {
public:
    int indexOf(const QString& text)
    {
        if (text.isEmpty())
            return -1;
        const int index = m_index.value(text, static_cast<int>(m_texts.size()));
        if (index == static_cast<int>(m_texts.size())) {
            m_index.insert(text, index);
            m_texts.push_back(text);
        }
        return index;
    }
    const std::vector<QString>& texts() const { return m_texts; }

private:
    QHash<QString, int> m_index;
    std::vector<QString> m_texts;
};

// The fair share of every class in every value of a column, pool by pool
// (see mixingDeviation); [class * values + value].
std::vector<double> poolShares(const evening::Problem& p, int values, const std::function<int(int)>& valueOf)
{
    std::vector<double> share(static_cast<size_t>(p.classCount) * values, 0.0);
    if (values == 0)
        return share;
    std::map<std::vector<int>, std::vector<int>> pools; // sorted classes -> groups
    for (size_t g = 0; g < p.groups.size(); ++g) {
        std::vector<int> classes = p.groups[g].classes;
        std::sort(classes.begin(), classes.end());
        pools[classes].push_back(static_cast<int>(g));
    }
    for (const auto& [classes, groups] : pools) {
        std::vector<int> heads(p.classCount, 0);
        std::vector<int> holding(values, 0);
        int size = 0;
        for (int g : groups) {
            const evening::Group& group = p.groups[g];
            for (size_t l = 0; l < group.classes.size(); ++l)
                heads[group.classes[l]] += group.headCounts[l];
            for (int s : group.students) {
                ++size;
                if (const int v = valueOf(s); v >= 0)
                    ++holding[v];
            }
        }
        if (size == 0)
            continue;
        for (int c : classes)
            for (int v = 0; v < values; ++v)
                share[static_cast<size_t>(c) * values + v] += double(heads[c]) * holding[v] / size;
    }
    return share;
}

// A student's numbers in the extra score columns.
std::array<evening::ExtraScore, evening::kScoreColumns> extraScoresOf(const SpreadRules& rules, int row)
{
    std::array<evening::ExtraScore, evening::kScoreColumns> extra{};
    for (size_t k = 0; k < rules.scores.size() && k < extra.size(); ++k) {
        const std::vector<std::optional<double>>& values = rules.scores[k].values;
        if (row >= 0 && row < static_cast<int>(values.size()) && values[static_cast<size_t>(row)])
            extra[k] = {*values[static_cast<size_t>(row)], 1};
    }
    return extra;
}

std::atomic<long> problemsBuilt{0};

// Built after the press's checks passed: every group has valid plan rows.
YearModel buildModel(const Year& year, const SpreadRules& rules)
{
    ++problemsBuilt;
    const ConditionsWorkspace& ws = year.workspace();
    const Students& students = year.students();
    YearModel model;
    evening::Problem& p = model.problem;

    // mixingDeviation() and averageSpread() may read conditions no press has
    // checked: only what the tables hold is read.
    const int groups = std::min<int>(ws.groupCount(), static_cast<int>(std::min(ws.conditions.size(), ws.groupStudents.size())) - 1);
    const auto rowsOf = [&](int g) { return std::clamp<int>(ws.conditions[g].classCount, 0, kMaxPlanRows); };
    std::map<int, int> classIndex;
    for (int g = 1; g <= groups; ++g)
        for (int k = 1; k <= rowsOf(g); ++k)
            classIndex.emplace(ws.conditions[g].rows[k].classNumber, 0);
    for (auto& [number, index] : classIndex) {
        index = static_cast<int>(model.classNumber.size());
        model.classNumber.push_back(number);
    }
    p.classCount = static_cast<int>(model.classNumber.size());

    Values marks, mix, units;
    std::array<Values, kMaxFlagColumns> flags;
    p.flagColumns = static_cast<int>(std::min<size_t>(rules.flags.size(), kMaxFlagColumns));
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
            student.mark = marks.indexOf(ruleText(rules.marks, row));
            student.mix = mix.indexOf(ruleText(rules.mixValues, row));
            evening::StudentRules bound;
            bound.unit = units.indexOf(ruleText(rules.together, row));
            // A fixed class outside the group's classes is refused before the search.
            const std::optional<int> fixed = fixedClassOf(ruleText(rules.fixedClasses, row));
            const auto at = fixed ? classIndex.find(*fixed) : classIndex.end();
            if (at != classIndex.end() && std::find(group.classes.begin(), group.classes.end(), at->second) != group.classes.end())
                bound.fixedClass = at->second;
            for (int k = 0; k < p.flagColumns; ++k)
                bound.flags[k] = flags[k].indexOf(ruleText(rules.flags[k].values, row));
            p.rules.push_back(bound);
            if (!rules.scores.empty())
                p.extras.push_back(extraScoresOf(rules, row));
            group.students.push_back(static_cast<int>(p.students.size()));
            p.students.push_back(student);
            model.row.push_back(row);
        }
        p.groups.push_back(std::move(group));
    }
    p.bandCount = 6;
    p.wholeScores = students.wholeScores;
    p.scoreColumns = static_cast<int>(std::min<size_t>(rules.scores.size(), kMaxScoreColumns));
    model.marks = marks.texts();
    p.markCount = static_cast<int>(marks.texts().size());
    p.mixCount = static_cast<int>(mix.texts().size());
    p.mixShare = poolShares(p, p.mixCount, [&p](int s) { return p.students[s].mix; });
    for (int k = 0; k < p.flagColumns; ++k) {
        model.flagValues[k] = flags[k].texts();
        p.flagValues[k] = static_cast<int>(flags[k].texts().size());
        p.flagShare[k] = poolShares(p, p.flagValues[k], [&p, k](int s) { return p.rules[s].flags[k]; });
    }

    // Every together set of two or more with the classes all its groups
    // open; a value written beside one student alone binds nobody.
    std::vector<std::vector<int>> sets(units.texts().size());
    for (size_t s = 0; s < p.students.size(); ++s)
        if (p.rules[s].unit >= 0)
            sets[p.rules[s].unit].push_back(static_cast<int>(s));
    for (size_t u = 0; u < sets.size(); ++u) {
        for (int m : sets[u])
            p.rules[m].unit = sets[u].size() > 1 ? static_cast<int>(p.units.size()) : -1;
        if (sets[u].size() > 1) {
            p.units.push_back(sets[u]);
            model.units.push_back(units.texts()[u]);
        }
    }
    // A set holding a fixed student goes only to that student's class.
    for (const std::vector<int>& members : p.units) {
        std::vector<int> shared = p.groups[p.students[members.front()].group].classes;
        for (int m : members)
            std::erase_if(shared, [&](int c) {
                const std::vector<int>& own = p.groups[p.students[m].group].classes;
                const int fixed = p.rules[m].fixedClass;
                return std::find(own.begin(), own.end(), c) == own.end() || (fixed >= 0 && c != fixed);
            });
        p.unitClasses.push_back(shared);
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

// What the search could not meet after all, student by student: marked
// students who share a class, together sets it could not gather, and flag
// values outside their fair share in a class.
std::optional<Message> rulesNotMet(const YearModel& model, const std::vector<int>& classOf, const Students& students)
{
    const evening::Problem& p = model.problem;
    std::map<std::pair<int, int>, int> marked; // (class, mark) -> students
    for (size_t s = 0; s < p.students.size(); ++s)
        if (p.students[s].mark >= 0)
            ++marked[{classOf[s], p.students[s].mark}];
    std::vector<std::pair<int, QString>> rows;
    for (size_t s = 0; s < p.students.size(); ++s)
        if (p.students[s].mark >= 0 && marked[{classOf[s], p.students[s].mark}] > 1)
            rows.emplace_back(model.row[s], QStringLiteral("印「%1」").arg(model.marks[p.students[s].mark]));
    std::vector<std::pair<int, QString>> apart;
    for (size_t u = 0; u < p.units.size(); ++u) {
        const std::vector<int>& members = p.units[u];
        if (std::all_of(members.begin(), members.end(), [&](int m) { return classOf[m] == classOf[members.front()]; }))
            continue;
        for (int m : members)
            apart.emplace_back(model.row[m], QStringLiteral("同じクラス「%1」").arg(model.units[u]));
    }
    std::sort(rows.begin(), rows.end());
    std::sort(apart.begin(), apart.end());
    QString text;
    if (!rows.empty())
        text += QStringLiteral("同じ印の生徒を別々のクラスにできませんでした。"
                               "グループの振り分け先のクラスが足りません。\n") + studentLines(students, rows);
    if (!apart.empty())
        text += QString(text.isEmpty() ? "" : "\n\n") +
                QStringLiteral("同じクラスにする生徒を、そろって入れられるクラスがありませんでした。\n") +
                studentLines(students, apart);
    const std::array<long, evening::kFlagColumns> outside = evening::flagsOutside(p, classOf);
    if (std::any_of(outside.begin(), outside.end(), [](long n) { return n > 0; }))
        text += QString(text.isEmpty() ? "" : "\n\n") +
                QStringLiteral("均等に散らす列の印を、どのクラスにも目安どおりには分けられませんでした。");
    if (text.isEmpty())
        return std::nullopt;
    return Message{text, QString()};
}

} // namespace

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

long searchProblemsBuilt()
{
    return problemsBuilt.load();
}

uint64_t seedFrom(RandomSource& random)
{
    random.reseed();
    uint64_t seed = 0;
    for (int i = 0; i < 4; ++i)
        seed = seed * 0x1000193ULL ^ static_cast<uint64_t>(random.next() * 16777216.0f) << (i * 13);
    return seed;
}

std::optional<Message> checkRulesTogether(const Year& year)
{
    const YearModel model = buildModel(year, year.rules());
    const evening::Assignment assignment = evening::assignRuleStudents(model.problem, {});
    if (assignment.found || !assignment.complete)
        return std::nullopt;
    const SpreadRules& rules = year.rules();
    std::vector<std::pair<int, QString>> bound;
    for (const int row : model.row) {
        QStringList said;
        if (const QString v = ruleText(rules.fixedClasses, row); !v.isEmpty())
            said << QStringLiteral("クラス指定「%1」").arg(v);
        if (const QString v = ruleText(rules.together, row); !v.isEmpty())
            said << QStringLiteral("同じクラス「%1」").arg(v);
        if (const QString v = ruleText(rules.marks, row); !v.isEmpty())
            said << QStringLiteral("別クラス「%1」").arg(v);
        if (!said.isEmpty())
            bound.emplace_back(row, said.join(u'、'));
    }
    std::sort(bound.begin(), bound.end());
    return Message{QStringLiteral("クラス分けの決まりは一つずつなら守れますが、全部をいっしょに守れる分け方がありません"
                                  "（クラスの人数が足りません）。クラス分けは変えていません。\n"
                                  "次の生徒の決まりを見直して下さい。\n") + studentLines(year.students(), bound),
                   titles::inputMistake};
}

EvenResult evenClasses(const Year& year, std::vector<int16_t>& classes, uint64_t seed)
{
    const YearModel model = buildModel(year, year.rules());
    const bool movable = std::any_of(model.problem.groups.begin(), model.problem.groups.end(),
                                     [](const evening::Group& g) { return g.classes.size() > 1; });
    if (!movable)
        return {Message{kNothingToEvenMessage, QString()}, false};

    std::vector<int> classOf = presentClasses(model, classes);
    const std::vector<int> start = classOf;
    evening::evenOut(model.problem, classOf, seed);
    for (size_t s = 0; s < classOf.size(); ++s)
        classes[model.row[s]] = static_cast<int16_t>(model.classNumber[classOf[s]]);
    std::optional<Message> notMet = rulesNotMet(model, classOf, year.students());
    if (!notMet && classOf == start)
        notMet = Message{kNoOtherChoiceMessage, QString()};
    return {std::move(notMet), true};
}

double mixingDeviation(const Year& year)
{
    return mixingDeviation(year, year.classes());
}

double mixingDeviation(const Year& year, const std::vector<int16_t>& classes)
{
    if (year.rules().mixValues.empty())
        return 0;
    const YearModel model = buildModel(year, year.rules());
    return evening::mixingDeviation(model.problem, presentClasses(model, classes));
}

double flagDeviation(const Year& year, const std::vector<int16_t>& classes)
{
    if (year.rules().flags.empty())
        return 0;
    const YearModel model = buildModel(year, year.rules());
    return evening::flagDeviation(model.problem, presentClasses(model, classes));
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

ScoreColumnSpreads scoreColumnSpreads(const Year& year, const std::vector<int16_t>& classes)
{
    YearModel model = buildModel(year, year.rules());
    const evening::ScoreSpreads spreads = evening::scoreSpreads(model.problem, presentClasses(model, classes));
    ScoreColumnSpreads out;
    out.normalised.assign(spreads.normalised.begin(), spreads.normalised.begin() + model.problem.scoreColumns + 1);
    out.largest = spreads.largest;
    out.mainSpread = spreads.mainSpread;
    return out;
}

} // namespace classdiv
