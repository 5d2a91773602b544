#pragma once
// Flag (and mixing) counts brought towards their least deviations by moves that no single
// exchange makes: two students of a group trading classes, or three of one
// group going round three of its classes (the first to the second one's
// class, the second to the third one's, the third to the first one's). A
// class then changes by one student of the flag value while the two others
// of the round keep their band counts, which a single exchange across the
// narrow bands of a small group often cannot.

#include "search/Placement.h"

namespace classdiv::evening {

// Tries, for each cell at the highest deviation of a flag or the mixing column of the
// component, the moves of two or three students that bring that count
// closer, and keeps each that makes the key better by better() with every
// band count within its range; until none does or `budget` moves were
// weighed. Returns the component's key. It draws no random numbers.
Key repairLevels(Placement& placement, const Component& component, Key now, long budget);

// Moves of two or three students weighed, at most, each time the search
// repairs the deviations.
inline constexpr long kRepairBudget = 200'000;

} // namespace classdiv::evening
