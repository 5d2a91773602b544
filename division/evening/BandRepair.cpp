#include "division/evening/Placement.h"

#include "division/evening/BandTarget.h"

#include <algorithm>
#include <map>
#include <optional>

namespace classdiv::evening {

namespace {

// Tries of the band repair of one group; only marks can make a try fail,
// and a different order of exchanges mostly finds the way then.
constexpr int kRepairAttempts = 8;

} // namespace

// Brings every band count of the group within its fair range: pairs of
// students change places until the counts are the fair target, each
// exchange bringing two counts closer.
void Placement::repairBands(int g, Rng& rng)
{
    const Group& group = m_p.groups[g];
    const int classes = static_cast<int>(group.classes.size());
    const int bands = m_p.bandCount;
    std::vector<int> inBand(bands, 0);
    for (int s : group.students)
        ++inBand[m_p.students[s].band];
    const int base = m_groupBase[g];
    // Fixed students hold their cells for good, together sets until they move
    // as one. Marked students move too, but only into a class without their
    // mark, so the marks never get worse.
    std::vector<int> count(classes * bands, 0), fixedHeld(classes * bands, 0), held(classes * bands, 0);
    for (int s : group.students) {
        const int i = m_local[s] * bands + m_p.students[s].band;
        ++count[i];
        fixedHeld[i] += m_p.rulesOf(s).fixedClass >= 0;
        held[i] += !m_free[s];
    }
    const auto widened = [&](const std::vector<int>& by) {
        BandBounds bounds = fairBandBounds(group, inBand);
        if (std::any_of(by.begin(), by.end(), [](int n) { return n > 0; }))
            widenForFixed(bounds, by, group.headCounts, inBand);
        return bounds;
    };
    const BandBounds bounds = widened(fixedHeld);  // what the search keeps
    const BandBounds reachable = widened(held);    // what exchanges of free students can reach now
    const std::optional<std::vector<int>> fair = fairTarget(reachable, count, group.headCounts, inBand);
    const auto keepCounts = [&] { // the counts as they are allowed, rather than loop
        for (int i = 0; i < classes * bands; ++i) {
            m_bandLo[base + i] = std::min(bounds.lo[i], count[i]);
            m_bandHi[base + i] = std::max(bounds.hi[i], count[i]);
        }
    };
    if (!fair)
        return keepCounts();
    for (int i = 0; i < classes * bands; ++i) {
        m_bandLo[base + i] = bounds.lo[i];
        m_bandHi[base + i] = bounds.hi[i];
    }
    const std::vector<int>& target = *fair;

    // (class, mark) -> students, over every group: marks are apart across groups too.
    std::map<std::pair<int, int>, int> marked;
    for (size_t s = 0; s < m_p.students.size(); ++s)
        if (m_p.students[s].mark >= 0)
            ++marked[{m_class[s], m_p.students[s].mark}];
    const auto mayGoTo = [&](int s, int l) {
        const int mark = m_p.students[s].mark;
        return mark < 0 || marked[{group.classes[l], mark}] == 0;
    };
    std::vector<int> pick;
    // A student of class l and band b who may move to class `to`; -1: none.
    const auto randomStudent = [&](int l, int b, int to) {
        pick.clear();
        for (int s : group.students) {
            if (m_local[s] == l && m_p.students[s].band == b && m_free[s] && mayGoTo(s, to))
                pick.push_back(s);
        }
        return pick.empty() ? -1 : pick[rng.below(static_cast<uint32_t>(pick.size()))];
    };
    // Every move made since the last exchange began, to take back.
    struct Step {
        int student, fromClass;
    };
    std::vector<Step> made;
    // Puts s, of this group or another, into the class numbered c, its mark with it.
    const auto place = [&](int s, int c) {
        made.push_back({s, m_class[s]});
        if (const int mark = m_p.students[s].mark; mark >= 0) {
            --marked[{m_class[s], mark}];
            ++marked[{c, mark}];
        }
        const std::vector<int>& own = m_p.groups[m_p.students[s].group].classes;
        m_class[s] = c;
        m_local[s] = static_cast<int>(std::find(own.begin(), own.end(), c) - own.begin());
    };
    const auto takeBack = [&] {
        while (!made.empty()) {
            const Step step = made.back();
            place(step.student, step.fromClass);
            made.pop_back(); // the step place() just noted
            made.pop_back();
        }
    };
    // s goes to class number `to` where one student there holds s's mark:
    // that student changes places with one of its own group and band in
    // s's class, so that no band count of its group changes.
    const auto clearWay = [&](int s, int to) {
        const int mark = m_p.students[s].mark;
        const int here = m_class[s];
        if (mark < 0 || marked[{to, mark}] != 1)
            return false;
        int t = 0;
        while (m_class[t] != to || m_p.students[t].mark != mark)
            ++t;
        if (!m_free[t])
            return false;
        for (int u : m_p.groups[m_p.students[t].group].students) {
            const int markU = m_p.students[u].mark;
            if (u != s && m_class[u] == here && m_p.students[u].band == m_p.students[t].band && m_free[u] &&
                (markU < 0 || (markU != mark && marked[{to, markU}] == 0))) {
                place(s, to);
                place(t, here);
                place(u, to);
                return true;
            }
        }
        return false;
    };
    // One student of band b taken from class `from` to class `to` (local
    // indices): straight; or clearing the way of a mark; or through a third
    // class whose student of that band goes on. False: no way, nothing made.
    const auto carry = [&](int from, int to, int b) {
        if (const int s = randomStudent(from, b, to); s >= 0)
            return place(s, group.classes[to]), true;
        pick.clear();
        for (int s : group.students) {
            if (m_local[s] == from && m_p.students[s].band == b && m_free[s] && m_p.students[s].mark >= 0)
                pick.push_back(s);
        }
        const size_t first = pick.empty() ? 0 : rng.below(static_cast<uint32_t>(pick.size()));
        for (size_t k = 0; k < pick.size(); ++k) {
            if (clearWay(pick[(first + k) % pick.size()], group.classes[to]))
                return true;
        }
        for (int via = 0; via < classes; ++via) {
            const int s = via == from || via == to ? -1 : randomStudent(from, b, via);
            const int t = s < 0 ? -1 : randomStudent(via, b, to);
            if (t >= 0) {
                place(s, group.classes[via]);
                place(t, group.classes[to]);
                return true;
            }
        }
        return false;
    };
    // Class l1 short of band b1 takes one from a class l2 with too many,
    // and gives l2 one of a band it has too many of. False: no such pair
    // keeps the marks apart.
    // Two students of the same mark may change places when one mark bars
    // each from going alone.
    const auto sameMarkPair = [&](int l1, int b1, int l2) {
        for (int s : group.students) {
            if (m_local[s] != l2 || m_p.students[s].band != b1 || !m_free[s] || m_p.students[s].mark < 0)
                continue;
            for (int t : group.students) {
                const int b3 = m_p.students[t].band;
                if (m_local[t] == l1 && m_p.students[t].mark == m_p.students[s].mark && m_free[t] &&
                    count[l1 * bands + b3] > target[l1 * bands + b3]) {
                    place(s, group.classes[l1]);
                    place(t, group.classes[l2]);
                    return b3;
                }
            }
        }
        return -1;
    };
    const auto exchangeInto = [&](int l1, int b1) {
        for (int l2 = 0; l2 < classes; ++l2) {
            made.clear();
            if (count[l2 * bands + b1] <= target[l2 * bands + b1])
                continue;
            int b3 = sameMarkPair(l1, b1, l2);
            // Either way round: the second may go where the first made room.
            const auto both = [&](int b) {
                if ((carry(l2, l1, b1) && carry(l1, l2, b)) || (takeBack(), carry(l1, l2, b) && carry(l2, l1, b1)))
                    return true;
                takeBack();
                return false;
            };
            for (int b = 0; b < bands && b3 < 0; ++b)
                b3 = count[l1 * bands + b] > target[l1 * bands + b] && both(b) ? b : -1;
            if (b3 >= 0) {
                --count[l2 * bands + b1];
                ++count[l1 * bands + b1];
                --count[l1 * bands + b3];
                ++count[l2 * bands + b3];
                return true;
            }
        }
        return false;
    };
    // The exchanges are greedy, and where marks crowd one order of them
    // can shut the way another order finds: then the group starts again.
    const std::vector<int> startClass = m_class, startLocal = m_local, startCount = count;
    const std::map<std::pair<int, int>, int> startMarked = marked;
    for (int attempt = 0; attempt < kRepairAttempts; ++attempt) {
        if (attempt > 0) {
            m_class = startClass;
            m_local = startLocal;
            count = startCount;
            marked = startMarked;
        }
        for (bool moved = true; moved;) {
            moved = false;
            for (int i = 0; i < classes * bands && !moved; ++i)
                moved = count[i] < target[i] && exchangeInto(i / bands, i % bands);
        }
        if (count == target)
            return;
    }
    // No way to that target: any counts within the ranges will do. Each
    // exchange brings one count nearer its range and takes no other away.
    const auto away = [&](int i, int by) {
        const int c = count[i] + by;
        return std::max({0, reachable.lo[i] - c, c - reachable.hi[i]});
    };
    const auto notWorse = [&](int i, int by) { return away(i, by) <= away(i, 0); };
    // Band b1 goes from class l2 to l1, band b3 from l1 to l2.
    const auto exchangeBands = [&](int l1, int b1, int l2, int b3) {
        made.clear();
        if ((carry(l2, l1, b1) && carry(l1, l2, b3)) || (takeBack(), carry(l1, l2, b3) && carry(l2, l1, b1))) {
            --count[l2 * bands + b1];
            ++count[l1 * bands + b1];
            --count[l1 * bands + b3];
            ++count[l2 * bands + b3];
            return true;
        }
        takeBack();
        return false;
    };
    const auto bringIn = [&](int i) {
        const int l = i / bands, b = i % bands, up = away(i, 0) > 0 && count[i] < reachable.lo[i] ? 1 : -1;
        for (int l2 = 0; l2 < classes; ++l2)
            for (int b3 = 0; b3 < bands; ++b3)
                if (l2 != l && b3 != b && notWorse(l2 * bands + b, -up) && notWorse(l * bands + b3, -up) &&
                    notWorse(l2 * bands + b3, up) &&
                    (up > 0 ? exchangeBands(l, b, l2, b3) : exchangeBands(l2, b, l, b3)))
                    return true;
        return false;
    };
    for (bool moved = true; moved;) {
        moved = false;
        for (int i = 0; i < classes * bands && !moved; ++i)
            moved = away(i, 0) > 0 && bringIn(i);
    }
    keepCounts(); // what is left out of range no exchange could mend
}

} // namespace classdiv::evening
