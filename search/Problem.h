#pragma once
// The year as the evening-out search sees it: students with their group,
// score band, score, keep-apart mark and mixing value; the rules some of them
// are under; the groups with their classes and head counts; and the fair
// shares of the mixing and flag columns in each class.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace classdiv::evening {

inline constexpr int kFlagColumns = 4; // the most the teacher may name
inline constexpr int kScoreColumns = 3; // scores evened beside the main one, at most

// Differences below this are rounding noise of sums of scores.
inline constexpr double kTiny = 1e-9;

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
    // Mixing held to its least deviation within its ranges as well, beneath
    // the flags (ShareLevels.h), on years with flag columns; on years
    // without, mixing is held to its ranges only, as it always was. Off only
    // where a test compares the two.
    bool mixingLevels = true;
    // [student], or empty when no student is under such a rule.
    std::vector<StudentRules> rules;
    const StudentRules& rulesOf(int s) const
    {
        static const StudentRules none;
        return rules.empty() ? none : rules[static_cast<size_t>(s)];
    }
    // Keep-apart sets beyond Student::mark, [student]: a student of the
    // school's record may be under a mark and several entries at once. Empty
    // when no student is under more than one set; marks are numbered alike.
    std::vector<std::vector<int>> moreMarks;
    bool hasMoreMarks(int s) const { return !moreMarks.empty() && !moreMarks[static_cast<size_t>(s)].empty(); }
    // Every keep-apart set of s.
    template <class F>
    void forEachMark(int s, F f) const
    {
        if (students[static_cast<size_t>(s)].mark >= 0)
            f(students[static_cast<size_t>(s)].mark);
        if (!moreMarks.empty())
            for (int m : moreMarks[static_cast<size_t>(s)])
                f(m);
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

} // namespace classdiv::evening
