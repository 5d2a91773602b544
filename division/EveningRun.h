#pragma once
// Evening out a draw on the search's model of the year (division/EveningProblem.h):
// the hard rules checked together first, then the search, then what it
// could not meet after all, in the teacher's words.

#include "common/Message.h"
#include "division/EveningProblem.h"
#include "division/rules/RuleSet.h"
#include "import/StudentTable.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace classdiv {

// The hard rules (fixed classes, together sets, keep-apart marks) that each
// can be met but not all at once beside the plans' head counts: the
// refusal, naming the students under them, before anything changes.
std::optional<Message> checkRulesTogether(const SearchModel& model, const Students& students, const RuleSet& rules);

struct EvenResult {
    // "Nothing to even out"; the rules the search could not meet after all;
    // or, when no other placement as good was found, that the classes stay.
    std::optional<Message> message;
    bool evened = false; // classes holds the evened draw
};

// Evens out `classes`, a draw that fits the plans, by the model's rules
// (checked before: division/rules/RuleChecks.h). All randomness comes from seed.
EvenResult evenClasses(const SearchModel& model, const Students& students, std::vector<int16_t>& classes, uint64_t seed);

} // namespace classdiv
