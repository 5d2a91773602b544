#pragma once
// The two optional columns the teacher chose beside the four: marks that keep
// students apart and a column (the old class) to mix over the new classes.

#include <QString>

#include <vector>

namespace classdiv {

// Indexed by student row 1..N (index 0 unused). An empty vector means the
// column is not set.
struct SpreadRules {
    std::vector<QString> marks;     // students sharing a non-empty mark go to different classes
    std::vector<QString> mixValues; // every new class takes its share of every value (old class)

    bool operator==(const SpreadRules&) const = default;
};

} // namespace classdiv
