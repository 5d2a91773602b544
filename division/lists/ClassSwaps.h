#pragma once
// Hand swaps in the class lists. Two students of one group trade their
// classes, so every group's head count in every class stays as planned
// whatever the teacher does. The history takes the swaps back one by one to
// the draw. Also: which cells of the fair shares the swaps have broken.

#include "common/Message.h"
#include "conditions/SpreadRules.h"
#include "division/draw/DistributionTable.h"
#include "search/FairShares.h"
#include "division/rules/RuleBreaks.h"
#include "division/rules/RuleSet.h"
#include "import/StudentTable.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace classdiv {

enum class SwapStatus {
    Swapped,
    NoDraw,         // nothing drawn yet: there are no classes to swap
    NotStudents,    // a row outside the students 1 .. N
    SameClass,      // both in one class (the same student included)
    DifferentGroups // head counts are planned per group: only a group's own students trade
};

// The reason in the words of the class lists; empty for Swapped.
QString swapStatusText(SwapStatus status);

// `classes` is the draw, one class per student row; empty without a draw.
SwapStatus checkSwap(const Students& students, const std::vector<int16_t>& classes, int rowA, int rowB);

// Every broken cell with the classes given per row (1 .. N, entry 0 unused).
RuleBreaks findRuleBreaks(const Students& students, const std::vector<int16_t>& classes, const ScoreBands& bands,
                          const RuleSet& rules);
// The same where only the columns are at hand: the pools as the classes show
// the groups' plans (RuleSet::fromClasses), the plans' own for classes that fit them.
RuleBreaks findRuleBreaks(const Students& students, const std::vector<int16_t>& classes, const ScoreBands& bands,
                          const SpreadRules& rules);

// A score band of one group in one class, its count and its fair range: the
// band counts every user (the breaks, the drafts' figures) judges.
struct BandCell {
    QString group;
    int classNumber = 0;
    int band = 0; // 1 .. kBandCount
    int count = 0;
    evening::FairRange fair;
};
// Every band of every group in every class that holds some of the group.
std::vector<BandCell> bandCells(const Students& students, const std::vector<int16_t>& classes, const ScoreBands& bands);

// The students an over-full band shows on: the group's students of that band
// in that class. A band short of its share has none to show.
std::vector<int> rowsOfBreak(const Students& students, const std::vector<int16_t>& classes, const ScoreBands& bands,
                             const BandBreak& broken);

// One line for the foot of the class lists; empty when nothing is broken.
QString ruleBreakNote(const RuleBreaks& breaks, const ScoreBands& bands, const Students& students,
                      const SpreadRules& rules);

class ClassSwaps {
public:
    struct Pair {
        int16_t rowA = 0;
        int16_t rowB = 0;
        bool operator==(const Pair&) const = default;
    };

    // Exchanges the classes of the two students; a refusal changes nothing.
    SwapStatus swap(const Students& students, std::vector<int16_t>& classes, int rowA, int rowB);
    // Takes the last swap back; false when there is none.
    bool undo(std::vector<int16_t>& classes);
    // A new draw: the swaps belong to the classes it replaces.
    void clear();
    // Swaps kept with classes that already hold them: the history, and the
    // draw's classes found by taking them back on a copy.
    void restore(const std::vector<Pair>& history, const std::vector<int16_t>& classes);

    int count() const { return static_cast<int>(m_history.size()); }
    const std::vector<Pair>& history() const { return m_history; }

    // The student's class differs from the one the draw gave.
    bool movedByHand(const std::vector<int16_t>& classes, int row) const;
    // The breaks the swaps made: broken now, and not (or less) in the draw.
    RuleBreaks breaksMadeByHand(const Students& students, const std::vector<int16_t>& classes, const ScoreBands& bands,
                                const RuleSet& rules) const;
    // Where only the columns are at hand (see findRuleBreaks).
    RuleBreaks breaksMadeByHand(const Students& students, const std::vector<int16_t>& classes, const ScoreBands& bands,
                                const SpreadRules& rules) const;

private:
    std::vector<Pair> m_history;
    std::vector<int16_t> m_drawClasses; // [row], the draw's classes, taken at the first swap
};

// Asked before a press or an evening-out replaces hand-swapped classes.
Message replaceSwapsQuestion(int swapCount);

inline const QString kNoDrawForListsMessage =
    QStringLiteral("まだクラス分けをしていません。「分布表表示」を押してから、クラス名簿を開いて下さい。");

} // namespace classdiv
