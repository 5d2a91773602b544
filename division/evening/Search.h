#pragma once
// The search behind evening out the averages, on a plain model of the year:
// students swap only with students of their own group, every (group, class)
// head count and every fair score-band share is kept, marked students are
// kept apart and the mixing column spread first, then the averages of linked
// classes brought together.
//
// Its parts: EveningSearch.cpp (sets of linked classes, annealing rounds),
// EveningPlacement (the counts and what an exchange changes),
// FairBandRepair.cpp (bands into their fair ranges first), Annealing.h (the
// cooling), EveningPatterns (turns of band counts over several classes, by
// the best spread of PatternBound), EveningTransfers (amounts carried along
// paths of exchanges), EveningDescent (the last descents),
// EveningMeasures.cpp (the spread and the mixing deviation of a placement).

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace classdiv::evening {

inline constexpr int kFlagColumns = 4; // the most the teacher may name
inline constexpr int kScoreColumns = 3; // scores evened beside the main one, at most

// A student's number in a score column evened beside the main one; a student
// without one (blank, absent) counts for nothing in that column.
struct ExtraScore {
    double value = 0; // 0 when not counted, so that sums need no test
    int counted = 0;  // 1 or 0
};

struct Student {
    int group = 0;
    int band = 0;     // 0 .. bandCount - 1
    double score = 0;
    int mark = -1;    // 0 .. markCount - 1, or -1 for none
    int mix = -1;     // 0 .. mixCount - 1, or -1 for none
    int order = 0;    // place in the file: class totals are summed in file order
};

// A student's part in the rules beyond marks and mixing; kept apart from
// Student, which the search reads millions of times a use and keeps small.
struct StudentRules {
    int fixedClass = -1; // the class it must be in, or -1; once there it never moves
    int unit = -1;       // the together set it belongs to, or -1; a set moves as one
    std::array<int, kFlagColumns> flags{-1, -1, -1, -1}; // its value in each flag column, or -1
};

struct Group {
    std::vector<int> classes;    // class indices, in plan-row order
    std::vector<int> headCounts; // beside classes
    std::vector<int> students;   // student indices
};

struct Problem {
    int classCount = 0;
    int bandCount = 1;
    int markCount = 0;
    int mixCount = 0;
    std::vector<Student> students;
    std::vector<Group> groups;
    // [class * mixCount + value]: the fair share of each class in each value.
    std::vector<double> mixShare;
    // [student], or empty when no student is under such a rule.
    std::vector<StudentRules> rules;
    const StudentRules& rulesOf(int s) const
    {
        static const StudentRules none;
        return rules.empty() ? none : rules[static_cast<size_t>(s)];
    }
    // The together sets: their students, and the classes every one of their groups opens.
    std::vector<std::vector<int>> units;
    std::vector<std::vector<int>> unitClasses;
    // The flag columns in their order: how many values each has, and the fair
    // share of each class in each value [class * values + value].
    int flagColumns = 0;
    std::array<int, kFlagColumns> flagValues{};
    std::array<std::vector<double>, kFlagColumns> flagShare;
    // False when some score has a fraction: the distribution table then
    // rounds every running class total, in file order, and so does the search.
    bool wholeScores = true;
    // Score columns evened beside the main one: [student][column], empty
    // when there are none. With any, the aim is the largest spread of linked
    // class averages over every column, each divided by its column's
    // standard deviation over the year; then the main score's own spread.
    int scoreColumns = 0;
    std::vector<std::array<ExtraScore, kScoreColumns>> extras;
};

// 1 / the standard deviation over the year (of the students with a number)
// of the main score, then of each extra column; 0 for a column whose every
// number is the same, which then never spreads.
std::array<double, kScoreColumns + 1> scoreScales(const Problem& problem);

// The spreads of linked class averages, each score column's divided by its
// standard deviation: [0] the main score, then the extra columns; a class
// with nobody counted in a column is left out of that column.
struct ScoreSpreads {
    std::array<double, kScoreColumns + 1> normalised{};
    double largest = 0;    // of normalised
    double mainSpread = 0; // the main score's own spread, in points
};
ScoreSpreads scoreSpreads(const Problem& problem, const std::vector<int>& classOf);


// Classes linked by groups spread over more than one of them; a class that
// shares no group with another is a component of its own.
std::vector<std::vector<int>> linkedClasses(const Problem& problem);

// Largest minus smallest average within each component of linked classes,
// the largest of these; 0 when no classes are linked.
double averageSpread(const Problem& problem, const std::vector<int>& classOf);

// Largest |count - fair share| of a mixing value in a class.
double mixingDeviation(const Problem& problem, const std::vector<int>& classOf);

// How hard to look: iterations of annealing per movable student of a set of
// linked classes and round, between leastPerRound and iterationsPerRound. A
// year of 240 in six crossing groups needs about 800 a student to come close
// to its best every time; a year of 500 comes close with fewer and must stay
// quick; a few students need many more each to cross from one arrangement of
// bands to another (a ms or two).
struct Effort {
    int iterationsPerStudent = 800;
    long leastPerRound = 50'000;
    long iterationsPerRound = 200'000;
    int rounds = 3;
};

// Rewrites classOf (class index per student, keeping each group's head
// counts) into a better one: fixed students first go to their classes and
// together sets are gathered, then neither is split again. All randomness
// comes from seed. When the start is already as good as can be found and
// another placement just as good exists, it gives that other one.
void evenOut(const Problem& problem, std::vector<int>& classOf, uint64_t seed, const Effort& effort = {});

// Largest |count - fair share| of a flag value in a class, over every flag column.
double flagDeviation(const Problem& problem, const std::vector<int>& classOf);

// Each flag column's cells outside floor .. ceiling of their fair share, summed.
std::array<long, kFlagColumns> flagsOutside(const Problem& problem, const std::vector<int>& classOf);

} // namespace classdiv::evening
