#pragma once
// The teacher's rules typed once. The columns stay as the CSV writes them
// (SpreadRules, for the lists' columns and the messages); beside them every
// cell is read once, when the rules are set and again when the plans change:
// a value index per row for the marks, the mixing column, the together sets,
// each flag column, and the fixed classes as numbers. Every reader (the
// search's problem, the checks before it, the class lists' breaks, the
// drafts' and the chart's figures) reads these, so that a mark padded with
// blanks, or a cell of blanks alone, is judged alike everywhere.
//
// A cell is read as conditions/SpreadRules.h ruleText gives it: blanks at
// either end dropped, full-width spaces (U+3000) among them, so that "A" and
// "A　" are one mark and a cell of blanks (or a quoted blank, which the CSV
// reader hands over as " ") is no mark at all.
//
// Also the pools of fair shares: students whose groups open exactly the same
// set of planned classes share a pool. Evening out promises each class its
// fair share of every value within each pool, so the lists and the figures
// judge by the same pools.

#include "conditions/GroupTable.h"
#include "conditions/SpreadRules.h"
#include "import/StudentTable.h"

#include <QString>

#include <optional>
#include <vector>

namespace classdiv {

// One rule column typed: the distinct non-empty texts in the order of the
// rows, and each row's index into them.
struct TypedColumn {
    std::vector<int> index;      // [row 0 .. N], -1 for none; empty when the column is not set
    std::vector<QString> values; // value index -> its text (as read, for messages)

    int of(int row) const { return row >= 0 && row < static_cast<int>(index.size()) ? index[static_cast<size_t>(row)] : -1; }
    int count() const { return static_cast<int>(values.size()); }
    bool set() const { return !index.empty(); }
    // The text of the value a row holds; empty for none.
    QString textOf(int row) const { return of(row) >= 0 ? values[static_cast<size_t>(of(row))] : QString(); }
    // The rows holding each value, in the order of the values, each ascending.
    std::vector<std::vector<int>> sets() const
    {
        std::vector<std::vector<int>> rows(values.size());
        for (size_t row = 1; row < index.size(); ++row)
            if (index[row] >= 0)
                rows[static_cast<size_t>(index[row])].push_back(static_cast<int>(row));
        return rows;
    }
};

// A fixed class that names no whole number ("三組", "1-2").
inline constexpr int kUnreadableClass = -1;

// The class number a fixed-class cell names: a whole number in half- or
// full-width digits, 組 after it allowed; kUnreadableClass for any other
// text, nullopt for an empty cell.
std::optional<int> fixedClassOf(const QString& cell);

// Students whose groups open the same set of planned classes, with the head
// counts the plans give each class from them.
// Students a kept record says must be in different classes, beyond the
// mark column: every pair of them apart. Ranked with the marks. Rows are the
// year's rows 1 .. N; the label names the entry for the lists and papers
// (the students' names and the reason).
struct ApartEntry {
    std::vector<int> rows;
    QString label;
};

struct Pool {
    std::vector<int> classes;    // class numbers, ascending
    std::vector<int> headCounts; // beside classes: the planned head counts of the pool's groups
    int size = 0;                // the pool's students
};

class RuleSet : public SpreadRules {
public:
    RuleSet() = default;
    // The columns typed against the year's plans.
    RuleSet(SpreadRules text, const Students& students, const ConditionsWorkspace& ws);
    // Where no plans are at hand: each group's classes and head counts as the
    // given classes show them. For classes that fit the plans, these are the
    // plans' own pools.
    static RuleSet fromClasses(SpreadRules text, const Students& students, const std::vector<int16_t>& classes);

    const SpreadRules& text() const { return *this; }

    // The columns of every box of text typed, in the box's order: one for a
    // box of one column, one a column for a box of several; none for a box not set.
    PerBox<std::vector<TypedColumn>> typed;
    // The typed column of a box of one column; not set when the box is not.
    const TypedColumn& column(RuleBox box) const
    {
        static const TypedColumn unset;
        return typed[box].empty() ? unset : typed[box].front();
    }

    // [row]: the fixed class, nullopt for none, kUnreadableClass for a text that names none.
    std::vector<std::optional<int>> fixedClass;

    std::optional<int> fixedClassAt(int row) const
    {
        return row >= 0 && row < static_cast<int>(fixedClass.size()) ? fixedClass[static_cast<size_t>(row)] : std::nullopt;
    }

    // Keep-apart sets from the school's record, filled in after the columns
    // are typed; empty when no record is chosen.
    std::vector<ApartEntry> recordEntries;

    std::vector<Pool> pools; // in ascending order of their classes
    std::vector<int> poolOf; // [row], -1 for a row in no group
};

// The fair share of every planned class in every value of a column, pool by
// pool: within a pool of P students, a class the plans give H of them has
// H × n ÷ P of a value n of the pool's students hold; a class's share is the
// sum over its pools.
struct FairShares {
    std::vector<int> classes; // every planned class number, ascending
    int values = 0;
    std::vector<double> share; // [position in classes * values + value]

    double at(int classPosition, int value) const { return share[static_cast<size_t>(classPosition) * values + value]; }
};
FairShares fairShares(const RuleSet& rules, const TypedColumn& column);

// A count held to a fair share: between its floor and its ceiling, with room
// for the rounding of the division (search/FairShares.h fairRange).
bool withinShare(int count, double share);

// How many students of each value each class of fair holds [position * values + value].
std::vector<int> shareCounts(const RuleSet& rules, const TypedColumn& column, const FairShares& fair,
                             const std::vector<int16_t>& classes);

// The largest |count - fair share| of a value of the column in a class, with
// the students in the classes given (a student in a class its plans do not
// open counts nowhere); 0 when the column is not set.
double shareDeviation(const RuleSet& rules, const TypedColumn& column, const std::vector<int16_t>& classes);
// Of the mixing column, and the largest over every flag column.
double mixingDeviation(const RuleSet& rules, const std::vector<int16_t>& classes);
double flagDeviation(const RuleSet& rules, const std::vector<int16_t>& classes);

} // namespace classdiv
