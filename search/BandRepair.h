#pragma once
// The first step of the search in each group: every band count brought
// within its fair range by moving students, before any exchange is weighed.
// Pairs of students change places until the counts reach the target of
// BandTarget, each exchange bringing two counts closer; where marks crowd,
// the way of a marked student is cleared or a student goes through a third
// class. What no exchange can mend is left, and the ranges the search keeps
// are widened to it.

#include "search/BandTarget.h"
#include "search/Placement.h"

#include <map>
#include <utility>
#include <vector>

namespace classdiv::evening {

// Brings every band count of group g within its fair range, as far as fixed
// students and together sets allow, and sets the ranges the placement keeps
// them in. It moves students without counting: recount the placement after.
void repairBands(Placement& placement, int g, Rng& rng);

class BandRepair {
public:
    BandRepair(Placement& placement, int g, Rng& rng);
    void run();

private:
    // One student's move, to take back: the class it came from.
    struct Step {
        int student, fromClass;
    };

    BandBounds widened(const std::vector<int>& held) const;
    void keepCounts();
    bool reachTarget();
    void bringIntoRanges();

    // Band b1 goes from class l2 to l1 and band b3 from l1 to l2 (local
    // classes), either way round; the counts follow. False: nothing made.
    bool exchange(int l1, int b1, int l2, int b3);
    void countExchange(int l1, int b1, int l2, int b3);
    bool exchangeInto(int l1, int b1);
    int sameMarkPair(int l1, int b1, int l2);
    bool carry(int from, int to, int b);
    bool clearWay(int s, int to);
    int randomStudent(int l, int b, int to);
    bool mayGoTo(int s, int l);
    void place(int s, int c);
    void takeBack();
    bool bringIn(int i);
    int away(int i, int by) const;
    bool notWorse(int i, int by) const { return away(i, by) <= away(i, 0); }

    Placement& m_placement;
    const Problem& m_p;
    const Group& m_group;
    Rng& m_rng;
    const int m_classes;
    const int m_bands;
    const int m_g; // the group, whose band ranges it sets in the placement
    std::vector<int> m_inBand; // [band]: the group's students in it
    // [local * bands + band]: the counts now, and those the exchanges aim at.
    std::vector<int> m_count, m_target;
    BandBounds m_bounds;    // what the search keeps: the fair ranges, widened where fixed students hold them
    BandBounds m_reachable; // what exchanges of free students can reach now
    // (class, mark) -> students, over every group: marks are apart across groups too.
    std::map<std::pair<int, int>, int> m_marked;
    std::vector<int> m_pick;  // the students randomStudent and carry choose from
    std::vector<Step> m_made; // every move since the last exchange began
};

} // namespace classdiv::evening
