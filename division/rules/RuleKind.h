#pragma once
// A kind of relationship rule, one unit each (division/rules/Kind*.cpp), and
// its row in the table (conditions/RuleKinds.h). Each unit answers:
//   - what the search must keep: its part of the search's problem;
//   - whether a division keeps it, judged on that problem as the search judges;
//   - which students break it, and why, with the classes given per row;
// and, for the check before a press and the class lists, which rules no
// placement can meet and which breaks the hand swaps made.
//
// Adding a kind: its row in conditions/RuleKinds.*, a unit here (which
// defines unitOf for its kind), and the search's part where the kind
// constrains it. The columns of its box are read, kept and typed by the
// table (conditions/SpreadRules.h, division/rules/RuleSet.h).

#include "common/Message.h"
#include "conditions/GroupTable.h"
#include "conditions/RuleKinds.h"
#include "division/rules/RuleBreaks.h"
#include "division/rules/RuleSet.h"
#include "division/rules/SearchModel.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace classdiv {

// The plans as the check before a press reads them, with what the fixed
// classes and the together sets leave each student.
struct PlanView {
    PlanView(const ConditionsWorkspace& ws, const RuleSet& rules, int students);

    const ConditionsWorkspace& ws;
    const RuleSet& rules;
    int n = 0;
    std::vector<int> groupOf;                               // [row], 0 for none
    std::vector<int> fixedTo;                               // [row]: a fixed class the group opens, or 0
    std::map<std::pair<int, int>, std::vector<int>> fixedIn; // (group, class) -> the rows fixed there
    std::vector<std::vector<int>> allowedOf;                // [row]: the classes its fixed class and its set leave it

    std::vector<int> classesOf(int group) const;
    int headCountOf(int group, int classNumber) const;
    bool opens(int row, int classNumber) const;
};

// The students whose rules no placement can meet, each with its rule in words.
struct RuleConflicts {
    std::vector<std::pair<int, QString>> rows;
    std::optional<Message> refusal; // a message of its own, said instead of the list
    void name(const std::vector<int>& rows, const QString& rule);
};

class RuleKindUnit {
public:
    virtual ~RuleKindUnit() = default;
    virtual RuleKind kind() const = 0;

    // Its part of the search's problem (the students and groups are there already).
    virtual void keepInSearch(const RuleSet& rules, SearchModel& model) const = 0;
    // Whether the classes (class indices per student of the problem) keep it.
    virtual bool keeps(const SearchModel& model, const std::vector<int>& classOf) const = 0;
    // The students who break it, with the classes given per row (1 .. students; 0 for none).
    virtual void findBreaks(const RuleSet& rules, const std::vector<int16_t>& classes, int students,
                            RuleBreaks& breaks) const = 0;
    // Of the breaks now, those the hand swaps made: not in the draw, or worse than there.
    virtual void madeByHand(const RuleBreaks& now, const RuleBreaks& drawn, RuleBreaks& made) const = 0;
    // Before a press: its rules that no placement can meet.
    virtual void findConflicts(const PlanView& plans, RuleConflicts& conflicts) const = 0;
    // The rules of this kind a student is under, in words, for the messages.
    virtual QStringList rulesOf(const RuleSet& rules, int row) const = 0;
};

// A spread evened as far as it goes (mixing, the score columns): measured
// by the figures, always kept, never broken, never refused.
class SpreadKind : public RuleKindUnit {
public:
    bool keeps(const SearchModel&, const std::vector<int>&) const override { return true; }
    void findBreaks(const RuleSet&, const std::vector<int16_t>&, int, RuleBreaks&) const override {}
    void madeByHand(const RuleBreaks&, const RuleBreaks&, RuleBreaks&) const override {}
    void findConflicts(const PlanView&, RuleConflicts&) const override {}
    QStringList rulesOf(const RuleSet&, int) const override { return {}; }
};

// The unit of a kind: its Kind<Name>.cpp defines it. The list of every unit
// is made from RuleKind, so a new unit is listed by defining this.
template <RuleKind kind>
const RuleKindUnit& unitOf();

// Every kind's unit, in the order of the table.
const std::array<const RuleKindUnit*, kRuleKindCount>& ruleKindUnits();
const RuleKindUnit& ruleKindUnit(RuleKind kind);

// Whether two students of the marks first .. last - 1 share a class.
bool marksShareClass(const SearchModel& model, const std::vector<int>& classOf, int first, int last);
// The rule a row's cell sets, in words ("同じクラス「T」" from the words "同じクラス「%1」"); none for an empty cell.
QStringList cellRule(const TypedColumn& column, int row, const QString& words);
// Of the breaks now, those the draw did not have.
template <class Break>
void breaksNotDrawn(const std::vector<Break>& now, const std::vector<Break>& drawn, std::vector<Break>& made)
{
    for (const Break& b : now)
        if (std::find(drawn.begin(), drawn.end(), b) == drawn.end())
            made.push_back(b);
}
// The mark breaks (of the column, or of the record) the swaps made: a class
// the draw had broken already counts when they brought another student into it.
void markBreaksMade(const RuleBreaks& now, const RuleBreaks& drawn, bool record, RuleBreaks& made);
// Whether the students can each have a class of their own among the classes
// allowed to them.
bool canPart(const std::vector<std::vector<int>>& allowed);

} // namespace classdiv
