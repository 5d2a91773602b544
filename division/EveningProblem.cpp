#include "division/EveningProblem.h"

#include "search/Search.h"

#include <algorithm>
#include <atomic>
#include <map>

namespace classdiv {

static_assert(evening::kFlagColumns == kMaxFlagColumns);
static_assert(evening::kScoreColumns == kMaxScoreColumns);

namespace {

std::atomic<long> problemsBuilt{0};

// The search numbers the values of a column in the order it meets them,
// group by group: the typed column's indices renumbered so.
class Renumbered {
public:
    explicit Renumbered(const TypedColumn& column) : m_column(column), m_index(column.values.size(), -1) {}
    int of(int row)
    {
        const int v = m_column.of(row);
        if (v < 0)
            return -1;
        if (m_index[static_cast<size_t>(v)] < 0) {
            m_index[static_cast<size_t>(v)] = static_cast<int>(m_order.size());
            m_order.push_back(v);
        }
        return m_index[static_cast<size_t>(v)];
    }
    int count() const { return static_cast<int>(m_order.size()); }
    int typedIndex(int v) const { return m_order[static_cast<size_t>(v)]; } // search index -> typed index
    const QString& text(int v) const { return m_column.values[static_cast<size_t>(typedIndex(v))]; }

private:
    const TypedColumn& m_column;
    std::vector<int> m_index;
    std::vector<int> m_order;
};

struct Walk {
    const Students& students;
    const ConditionsWorkspace& ws;
    const ScoreBands& bands;
    const RuleSet& rules;
    std::map<int, int> classIndex; // class number -> index
    Renumbered marks, mix, units;
    std::vector<Renumbered> flags;

    Walk(const Students& s, const ConditionsWorkspace& w, const ScoreBands& b, const RuleSet& r)
        : students(s), ws(w), bands(b), rules(r), marks(r.markColumn), mix(r.mixColumn), units(r.togetherColumn)
    {
        for (size_t k = 0; k < r.flagColumns.size() && k < size_t(kMaxFlagColumns); ++k)
            flags.emplace_back(r.flagColumns[k]);
    }
    int groups() const
    {
        return std::min<int>(ws.groupCount(), static_cast<int>(std::min(ws.conditions.size(), ws.groupStudents.size())) - 1);
    }
    int planRows(int g) const { return std::clamp<int>(ws.conditions[g].classCount, 0, kMaxPlanRows); }
};

// Every class of the plans, numbered in ascending order of its number.
void numberClasses(Walk& walk, SearchModel& model)
{
    for (int g = 1; g <= walk.groups(); ++g)
        for (int k = 1; k <= walk.planRows(g); ++k)
            walk.classIndex.emplace(walk.ws.conditions[g].rows[k].classNumber, 0);
    for (auto& [number, index] : walk.classIndex) {
        index = static_cast<int>(model.classNumber.size());
        model.classNumber.push_back(number);
    }
    model.problem.classCount = static_cast<int>(model.classNumber.size());
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

// One student of group g (0-based in the problem) with its part in the rules.
void addStudent(Walk& walk, SearchModel& model, evening::Group& group, int row)
{
    evening::Problem& p = model.problem;
    evening::Student student;
    student.group = static_cast<int>(p.groups.size());
    student.score = walk.students[row].score;
    student.order = row;
    student.band = bandOfScore(student.score, walk.bands) - 1;
    student.mark = walk.marks.of(row);
    student.mix = walk.mix.of(row);
    evening::StudentRules bound;
    bound.unit = walk.units.of(row);
    // A fixed class outside the group's classes is refused before the search.
    const std::optional<int> fixed = walk.rules.fixedClassAt(row);
    const auto at = fixed ? walk.classIndex.find(*fixed) : walk.classIndex.end();
    if (at != walk.classIndex.end() && std::find(group.classes.begin(), group.classes.end(), at->second) != group.classes.end())
        bound.fixedClass = at->second;
    for (size_t k = 0; k < walk.flags.size(); ++k)
        bound.flags[k] = walk.flags[k].of(row);
    p.rules.push_back(bound);
    if (!walk.rules.scores.empty())
        p.extras.push_back(extraScoresOf(walk.rules, row));
    group.students.push_back(static_cast<int>(p.students.size()));
    p.students.push_back(student);
    model.row.push_back(row);
}

void addGroups(Walk& walk, SearchModel& model)
{
    for (int g = 1; g <= walk.groups(); ++g) {
        const GroupCondition& c = walk.ws.conditions[g];
        evening::Group group;
        for (int k = 1; k <= walk.planRows(g); ++k) {
            const int index = walk.classIndex.at(c.rows[k].classNumber);
            if (std::find(group.classes.begin(), group.classes.end(), index) != group.classes.end())
                continue; // a class typed twice; a press refuses such conditions
            group.classes.push_back(index);
            group.headCounts.push_back(c.rows[k].headCount);
        }
        const int size = std::min<int>(walk.ws.groupSize[g], static_cast<int>(walk.ws.groupStudents[g].size()) - 1);
        for (int w = 1; w <= size; ++w)
            addStudent(walk, model, group, walk.ws.groupStudents[g][w]);
        model.problem.groups.push_back(std::move(group));
    }
}

// The pools' fair shares of the typed rules, in the search's numbering of classes and values.
std::vector<double> sharesOf(const SearchModel& model, const FairShares& fair, const Renumbered& values)
{
    const int count = values.count();
    std::vector<double> share(static_cast<size_t>(model.problem.classCount) * count, 0.0);
    for (int c = 0; c < model.problem.classCount; ++c) {
        const auto at = std::lower_bound(fair.classes.begin(), fair.classes.end(), model.classNumber[c]);
        if (at == fair.classes.end() || *at != model.classNumber[c])
            continue;
        for (int v = 0; v < count; ++v)
            share[static_cast<size_t>(c) * count + v] = fair.at(static_cast<int>(at - fair.classes.begin()), values.typedIndex(v));
    }
    return share;
}

void takeShares(const Walk& walk, SearchModel& model)
{
    evening::Problem& p = model.problem;
    for (int v = 0; v < walk.marks.count(); ++v)
        model.marks.push_back(walk.marks.text(v));
    p.markCount = walk.marks.count();
    p.mixCount = walk.mix.count();
    p.mixShare = sharesOf(model, fairShares(walk.rules, walk.rules.mixColumn), walk.mix);
    p.flagColumns = static_cast<int>(walk.flags.size());
    for (int k = 0; k < p.flagColumns; ++k) {
        p.flagValues[k] = walk.flags[k].count();
        p.flagShare[k] = sharesOf(model, fairShares(walk.rules, walk.rules.flagColumns[k]), walk.flags[k]);
    }
}

// The record's entries as keep-apart sets numbered after the column's
// marks: a student's first set is its mark, any more go beside it.
void addRecordSets(const Walk& walk, SearchModel& model)
{
    evening::Problem& p = model.problem;
    model.columnMarks = p.markCount;
    if (walk.rules.recordEntries.empty())
        return;
    std::vector<int> studentOf(static_cast<size_t>(walk.students.count()) + 1, -1);
    for (size_t s = 0; s < model.row.size(); ++s)
        studentOf[static_cast<size_t>(model.row[s])] = static_cast<int>(s);
    for (const ApartEntry& entry : walk.rules.recordEntries) {
        std::vector<int> members;
        for (int row : entry.rows)
            if (row >= 1 && row < static_cast<int>(studentOf.size()) && studentOf[row] >= 0)
                members.push_back(studentOf[row]);
        if (members.size() < 2)
            continue;
        const int mark = p.markCount++;
        model.marks.push_back(entry.label);
        for (int s : members) {
            if (p.students[s].mark < 0) {
                p.students[s].mark = mark;
                continue;
            }
            if (p.moreMarks.empty())
                p.moreMarks.resize(p.students.size());
            p.moreMarks[s].push_back(mark);
        }
    }
}

// Every together set of two or more; a value written beside one student alone binds nobody.
void gatherUnits(const Walk& walk, SearchModel& model)
{
    evening::Problem& p = model.problem;
    std::vector<std::vector<int>> sets(static_cast<size_t>(walk.units.count()));
    for (size_t s = 0; s < p.students.size(); ++s)
        if (p.rules[s].unit >= 0)
            sets[p.rules[s].unit].push_back(static_cast<int>(s));
    for (size_t u = 0; u < sets.size(); ++u) {
        for (int m : sets[u])
            p.rules[m].unit = sets[u].size() > 1 ? static_cast<int>(p.units.size()) : -1;
        if (sets[u].size() > 1) {
            p.units.push_back(sets[u]);
            model.units.push_back(walk.units.text(static_cast<int>(u)));
        }
    }
}

// The classes every group of a together set opens; a set holding a fixed
// student goes only to that student's class.
void openUnits(SearchModel& model)
{
    evening::Problem& p = model.problem;
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
}

} // namespace

SearchModel buildSearchModel(const Students& students, const ConditionsWorkspace& ws, const ScoreBands& bands,
                         const RuleSet& rules)
{
    ++problemsBuilt;
    SearchModel model;
    Walk walk(students, ws, bands, rules);
    numberClasses(walk, model);
    addGroups(walk, model);
    model.problem.bandCount = kBandCount;
    model.problem.wholeScores = students.wholeScores;
    model.problem.scoreColumns = static_cast<int>(std::min<size_t>(rules.scores.size(), kMaxScoreColumns));
    takeShares(walk, model);
    addRecordSets(walk, model);
    gatherUnits(walk, model);
    openUnits(model);
    return model;
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

std::vector<int> presentClasses(const SearchModel& model, const std::vector<int16_t>& classes)
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

double averageSpread(const SearchModel& model, const std::vector<int16_t>& classes)
{
    // The scores summed as they are, without the table's rounding: the plain average of each class.
    return evening::averageSpread(model.problem, presentClasses(model, classes));
}

ScoreColumnSpreads scoreColumnSpreads(const SearchModel& model, const std::vector<int16_t>& classes)
{
    const evening::ScoreSpreads spreads = evening::scoreSpreads(model.problem, presentClasses(model, classes));
    ScoreColumnSpreads out;
    out.normalised.assign(spreads.normalised.begin(), spreads.normalised.begin() + model.problem.scoreColumns + 1);
    out.largest = spreads.largest;
    out.mainSpread = spreads.mainSpread;
    return out;
}

} // namespace classdiv
