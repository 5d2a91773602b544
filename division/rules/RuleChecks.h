#pragma once
// Before evening out: the teacher's rules that no placement can meet, each
// named with the students it concerns (CSV line, identifier, name, the rule)
// in one message, so that nothing changes until the columns are put right.

#include "common/Message.h"
#include "conditions/GroupTable.h"
#include "conditions/SpreadRules.h"
#include "division/rules/RuleSet.h"
#include "import/StudentTable.h"

#include <optional>
#include <vector>

namespace classdiv {

// Checked against plans the press accepts. Caught: one mark for everybody;
// a fixed class that is not one of the group's classes; more students fixed
// to a class of a group than its head count; a together set whose groups
// share no class, whose fixed classes differ, that fits in no shared class
// beside the students fixed there, or whose members share a keep-apart mark;
// a keep-apart mark held by more students than their classes can part.
std::optional<Message> checkRules(const ConditionsWorkspace& ws, const Students& students, const RuleSet& rules);

// The lines of a message about students: up to 20, then how many more.
QString studentLines(const Students& students, const std::vector<std::pair<int, QString>>& rowsAndRules);

} // namespace classdiv
