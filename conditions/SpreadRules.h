#pragma once
// The teacher's rules, each read from a column of the CSV beside the four
// (the boxes of the table of rule kinds, conditions/RuleKinds.h):
// marks that keep students apart, values that keep them together, a class a
// student must go to, columns whose values are spread fairly over the
// classes (leaders, piano players, students who need care), and a column (the
// old class) to mix over the new classes. Evening out follows them in this
// order of priority: the fixed class, apart, together, the head counts (never
// broken), the fair score bands, the flag columns in their order, mixing and
// last the averages; a rule lower in the list never makes a higher one worse.

#include "conditions/RuleKinds.h"

#include <QString>

#include <algorithm>
#include <optional>
#include <vector>

namespace classdiv {

// A column of several of a box (a flag column): its every non-empty value
// spread over the classes in its fair share.
struct FlagColumn {
    QString name;                // the CSV's item name of the column
    std::vector<QString> values; // [row]

    bool operator==(const FlagColumn&) const = default;
};

// A score evened out beside the main one (a 50 m time, one subject): the
// number of each student's cell, nothing for a blank or a cell without a
// number (欠席, a dash), which leaves the student out of this column's
// averages and spread alone.
struct ScoreColumn {
    QString name;                              // the CSV's item name of the column
    std::vector<std::optional<double>> values; // [row]

    bool operator==(const ScoreColumn&) const = default;
};

// The columns of every box of the dialog (conditions/RuleKinds.h), each box
// in the place its shape gives it: a box of one column in `cells`, a box of
// several columns of text in `columns`, a box of numbers in `numbers`; the
// other places of a box stay empty. Cells are indexed by student row 1..N
// (index 0 unused); an empty vector means the box is not set.
struct SpreadRules {
    PerBox<std::vector<QString>> cells = {};        // marks, the mixing column, together, the fixed classes
    PerBox<std::vector<FlagColumn>> columns = {};   // the flag columns, in order of priority
    PerBox<std::vector<ScoreColumn>> numbers = {};  // the score columns evened with the main score

    bool operator==(const SpreadRules&) const = default;
    bool any() const
    {
        const auto set = [](const auto& perBox) {
            return std::any_of(perBox.begin(), perBox.end(), [](const auto& box) { return !box.empty(); });
        };
        return set(cells) || set(columns) || set(numbers);
    }
};
// The cell of a column for a student row, its blanks at either end dropped; empty when the column is not set.
inline QString ruleText(const std::vector<QString>& column, int row)
{
    return row >= 0 && row < static_cast<int>(column.size()) ? column[static_cast<size_t>(row)].trimmed() : QString();
}

} // namespace classdiv
