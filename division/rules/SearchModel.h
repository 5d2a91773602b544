#pragma once
// The year as the search sees it (search/Problem.h), and the way back to the
// student rows. division/EveningProblem.h builds the students and the groups;
// each rule kind (division/rules/RuleKind.h) adds its own part.

#include "division/rules/RuleSet.h"
#include "search/Problem.h"

#include <QString>

#include <vector>

namespace classdiv {

struct SearchModel {
    evening::Problem problem;
    std::vector<int> classNumber; // class index -> class number
    std::vector<int> row;         // student index -> student row
    std::vector<QString> marks;   // mark index -> the mark's text, or a record entry's label
    int columnMarks = 0;          // marks below this come from the mark column, the rest from the record
    std::vector<QString> units;   // together set -> its value
};

// A typed column in the search's numbering: its values numbered in the order
// the students of the problem meet them, group by group.
struct SearchValues {
    std::vector<int> ofStudent;  // [student] -> value, -1 for none
    std::vector<int> typedIndex; // value -> its index in the typed column
    int count() const { return static_cast<int>(typedIndex.size()); }
};
SearchValues searchValues(const TypedColumn& column, const SearchModel& model);

// The pools' fair shares of a typed column (division/rules/RuleSet.h), in the
// search's numbering of classes and values: [class * values + value].
std::vector<double> searchShares(const RuleSet& rules, const TypedColumn& column, const SearchModel& model,
                                 const SearchValues& values);

} // namespace classdiv
