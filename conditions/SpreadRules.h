#pragma once
// The teacher's rules, each read from a column of the CSV beside the four:
// marks that keep students apart, values that keep them together, a class a
// student must go to, columns whose values are spread fairly over the
// classes (leaders, piano players, students who need care), and a column (the
// old class) to mix over the new classes. Evening out follows them in this
// order of priority: the fixed class, apart, together, the head counts (never
// broken), the fair score bands, the flag columns in their order, mixing and
// last the averages; a rule lower in the list never makes a higher one worse.

#include <QString>

#include <optional>
#include <vector>

namespace classdiv {

inline constexpr int kMaxFlagColumns = 4;

// A column whose every non-empty value is spread over the classes in its fair share.
struct FlagColumn {
    QString name;                // the CSV's item name of the column
    std::vector<QString> values; // [row]

    bool operator==(const FlagColumn&) const = default;
};

inline constexpr int kMaxScoreColumns = 3;

// A score evened out beside the main one (a 50 m time, one subject): the
// number of each student's cell, nothing for a blank or a cell without a
// number (欠席, a dash), which leaves the student out of this column's
// averages and spread alone.
struct ScoreColumn {
    QString name;                              // the CSV's item name of the column
    std::vector<std::optional<double>> values; // [row]

    bool operator==(const ScoreColumn&) const = default;
};

// Indexed by student row 1..N (index 0 unused). An empty vector means the
// column is not set.
struct SpreadRules {
    std::vector<QString> marks = {};     // students sharing a non-empty mark go to different classes
    std::vector<QString> mixValues = {}; // every new class takes its share of every value (old class)
    std::vector<QString> together = {};  // students sharing a non-empty value go to the same class
    std::vector<QString> fixedClasses = {}; // the class number a student must go to, as the CSV writes it
    std::vector<FlagColumn> flags = {};     // in order of priority, at most kMaxFlagColumns
    std::vector<ScoreColumn> scores = {};   // evened with the main score, at most kMaxScoreColumns

    bool operator==(const SpreadRules&) const = default;
    bool any() const
    {
        return !marks.empty() || !mixValues.empty() || !together.empty() || !fixedClasses.empty() || !flags.empty() ||
               !scores.empty();
    }
};

// The cell of a column for a student row, its blanks at either end dropped; empty when the column is not set.
inline QString ruleText(const std::vector<QString>& column, int row)
{
    return row >= 0 && row < static_cast<int>(column.size()) ? column[static_cast<size_t>(row)].trimmed() : QString();
}

} // namespace classdiv
