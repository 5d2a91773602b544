#include "division/EveningProblem.h"

#include "division/rules/RuleKind.h"
#include "search/Search.h"

#include <algorithm>
#include <atomic>
#include <map>

namespace classdiv {

static_assert(evening::kFlagColumns == kMaxFlagColumns);
static_assert(evening::kScoreColumns == kMaxScoreColumns);

namespace {

std::atomic<long> problemsBuilt{0};

struct Walk {
    const Students& students;
    const ConditionsWorkspace& ws;
    const ScoreBands& bands;
    std::map<int, int> classIndex; // class number -> index

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

// One student of a group; its part in the rules is the rule kinds' (division/rules/RuleKind.h).
void addStudent(const Walk& walk, SearchModel& model, evening::Group& group, int row)
{
    evening::Problem& p = model.problem;
    evening::Student student;
    student.group = static_cast<int>(p.groups.size());
    student.score = walk.students[row].score;
    student.order = row;
    student.band = bandOfScore(student.score, walk.bands) - 1;
    p.rules.push_back({});
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

} // namespace

SearchModel buildSearchModel(const Students& students, const ConditionsWorkspace& ws, const ScoreBands& bands,
                         const RuleSet& rules)
{
    ++problemsBuilt;
    SearchModel model;
    Walk walk{students, ws, bands, {}};
    numberClasses(walk, model);
    addGroups(walk, model);
    model.problem.bandCount = kBandCount;
    model.problem.wholeScores = students.wholeScores;
    for (const RuleKindUnit* kind : ruleKindUnits())
        kind->keepInSearch(rules, model);
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
