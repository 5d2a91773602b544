#pragma once
// The year as the program holds it once the conditions window has loaded:
// the students, typed once; the groups and the conditions entered for them;
// the current draw, a class for every student or no draw yet; the
// distribution table of that draw; the teacher's rules and the hand swaps.
//
// Windows read it and pass on the teacher's commands. Every command returns
// what the window is to show, as the actions of the core do; the distribution
// table is filled once for every change of the draw.
//
// The year reads and writes no file: the files beside the roster are read
// and saved by files/YearFiles.h, which hands the year what it read.

#include "common/Message.h"
#include "conditions/ConditionsEntry.h"
#include "conditions/ConditionsFile.h"
#include "conditions/FittingCounts.h"
#include "conditions/GroupTable.h"
#include "conditions/SpreadRules.h"
#include "division/lists/ClassSwaps.h"
#include "division/draw/DistributionTable.h"
#include "division/draw/Division.h"
#include "division/draw/RandomSource.h"
#include "division/rules/RuleSet.h"
#include "import/StudentTable.h"

#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace classdiv {

struct SearchModel; // division/EveningProblem.h

// What evening out did: a refusal, or a message beside a new draw.
struct EvenOutcome {
    // A refusal (the press's own messages), "nothing to even out", or the
    // marked students the plans cannot separate.
    std::optional<Message> message;
    bool drawn = false; // the classes changed and the distribution table was filled
};

class Year {
public:
    // The load step of the conditions window: the students typed, the groups
    // found and ranked, no rules yet (the ones chosen in an earlier run come
    // from YearFiles::loadRules). A year that does not fit the tables is
    // refused: loaded().refusal says why, and the year then has no students.
    explicit Year(const StudentTable& table);
    // A year whose groups and conditions are already made (benchmarks, tests).
    Year(Students students, ConditionsWorkspace workspace);

    // What the window shows once loaded: the group list and the two counts.
    struct Loaded {
        QStringList groupList;
        QString studentCountText;
        QString groupCountText;
        std::optional<Message> refusal;
    };
    const Loaded& loaded() const { return m_loaded; }

    const Students& students() const { return m_students; }
    const ConditionsWorkspace& workspace() const { return m_workspace; }
    const ScoreBands& bands() const { return m_bands; }

    // The conditions, group by group (the group list's positions).
    SelectGroupOutcome selectGroup(int listPosition) const;
    SetClassCountOutcome setClassCount(int listPosition, const QString& classCountText);
    // The entry of a group, checked and stored (saving it is YearFiles's).
    ConfirmEntryOutcome confirmEntry(const ConfirmEntryInput& input);
    // The conditions file's text read into the groups (YearFiles::loadConditions).
    ReadConditionsOutcome readConditions(const QString& text);
    // The head counts the teacher accepted for groups whose counts no longer
    // added up (conditions/FittingCounts.h), taken.
    void fitHeadCounts(const std::vector<FittingCounts>& fits);

    // The current draw.
    bool hasDraw() const { return m_drawn; }
    // The class of every student row 1 .. N (entry 0 unused); empty while there is no draw.
    const std::vector<int16_t>& classes() const { return m_classes; }
    int classOf(int row) const { return classAt(m_classes, row); }
    const DistributionTable& distribution() const { return m_distribution; }

    // 分布表表示: a new draw, or the message that refuses it (nothing changes then).
    DrawOutcome press(RandomSource& random);
    // The press of one draw number: the same conditions and number give the same classes.
    DrawOutcome pressNumber(uint32_t drawNumber);
    // On, every press (evening out's too) draws a fresh number from the source
    // and presses from it; off, the press takes the source's numbers as they come.
    void drawFromNumbers(bool on) { m_numbered = on; }
    // The number of the press behind the classes; 0 when they came from no number.
    uint32_t drawNumber() const { return m_drawNumber; }
    // Kept classes back on screen, with the hand swaps made on them since their
    // press (undo steps back through them) and that press's number.
    void restoreDraw(std::vector<int16_t> classes, const std::vector<ClassSwaps::Pair>& swaps, uint32_t drawNumber);
    // 平均点をそろえる: starts from the current draw; with none yet, when the
    // conditions changed since, or when pressFirst is set, it first presses.
    EvenOutcome evenOut(RandomSource& random, bool pressFirst = false);

    // The teacher's rules: the columns as the CSV writes them, and typed
    // against the plans (typed again whenever the plans change).
    const RuleSet& rules() const { return m_rules; }
    void setRules(SpreadRules rules);
    // The separation record's entries that apply to this roster (rows 1 .. N),
    // kept apart like the marks; they stay when the columns or plans change.
    void setRecordEntries(std::vector<ApartEntry> entries);

    // The search's model of the year, built at the first use after the plans
    // or the rules changed; the classes (a draw, a swap) never rebuild it.
    const SearchModel& searchModel() const;

    // Hand swaps of the class lists; a new draw forgets them.
    const ClassSwaps& swaps() const { return m_swaps; }
    SwapStatus swap(int rowA, int rowB);
    // Takes back the last hand swap, or else the last mend (applyMoves).
    bool undoSwap();
    // 最小の移動で直す: the mended classes on screen. The hand swaps up to
    // here stay behind it: undo takes the mend back whole, then them.
    void applyMoves(std::vector<int16_t> classes);
    int mendCount() const { return static_cast<int>(m_mends.size()); }

private:
    // A new draw: the swaps belonged to the one it replaces.
    void takeDraw(std::vector<int16_t> classes);
    void markDrawn();
    DrawOutcome draw(RandomSource& random);
    void refill();
    // The plans changed: the pools of the rules and the search's model follow them.
    void plansChanged();

    Students m_students;
    ConditionsWorkspace m_workspace;
    Loaded m_loaded;
    ScoreBands m_bands;
    DivisionState m_division;
    bool m_drawn = false;
    std::vector<int16_t> m_classes;
    DistributionTable m_distribution;
    RuleSet m_rules;
    std::vector<ApartEntry> m_recordEntries;
    mutable std::shared_ptr<const SearchModel> m_searchModel; // shared by copies: it never changes once built
    ClassSwaps m_swaps;
    bool m_numbered = false;
    uint32_t m_drawNumber = 0;
    bool m_restored = false; // the classes were put back, not pressed in this run
    struct MendStep {
        std::vector<int16_t> classes; // before the mend
        ClassSwaps swaps;
    };
    std::vector<MendStep> m_mends; // a new draw forgets them, as it forgets the swaps
};

} // namespace classdiv
