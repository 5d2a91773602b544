#pragma once
// The cells of a division that break a rule, as the class lists, the check
// sheet and the drafts' figures show them: each names its students by row
// and its value by index, with text only for display. The score bands are
// the press's own rule; the rest each come from one kind of relationship
// rule (division/rules/RuleKind.h).

#include <QString>

#include <vector>

namespace classdiv {

// A score band of one group in one class whose count has left its fair
// range (search/FairShares.h).
struct BandBreak {
    QString group;
    int classNumber = 0;
    int band = 0; // 1 .. kBandCount, the strata of the distribution table
    int count = 0;
    double share = 0; // head count × band size ÷ group size
    int low = 0;      // its floor and ceiling, the fair range
    int high = 0;
    bool operator==(const BandBreak&) const = default;
};

// Students sharing a non-empty mark in one class, or students of one entry
// of the school's separation record (record set, mark holds its label).
struct MarkBreak {
    int classNumber = 0;
    QString mark;          // for display: the mark, or the entry's label
    std::vector<int> rows; // ascending
    bool record = false;
    int value = -1;        // the mark's index in the typed column, or the entry's index
    bool operator==(const MarkBreak&) const = default;
};

// A student outside the class the fixed-class column names.
struct FixedBreak {
    int row = 0;
    int fixedClass = 0;
    bool operator==(const FixedBreak&) const = default;
};

// A together set spread over more than one class.
struct TogetherBreak {
    QString value;         // for display
    std::vector<int> rows; // ascending
    int index = -1;        // the value's index in the typed column
    bool operator==(const TogetherBreak&) const = default;
};

// A value of a flag column in one class outside floor .. ceiling of its fair
// share (students whose groups open the same classes sharing it by head count).
struct FlagBreak {
    int column = 0; // index into the rules' flag columns
    int value = -1; // the value's index in the typed column
    int classNumber = 0;
    int count = 0;
    double share = 0;
    QString text; // the value, for display
    bool operator==(const FlagBreak&) const = default;
};

struct RuleBreaks {
    std::vector<BandBreak> bands;
    std::vector<MarkBreak> marks;
    std::vector<FixedBreak> fixed;
    std::vector<TogetherBreak> together;
    std::vector<FlagBreak> flags;
    bool empty() const { return bands.empty() && marks.empty() && fixed.empty() && together.empty() && flags.empty(); }
    bool operator==(const RuleBreaks&) const = default;
};

} // namespace classdiv
