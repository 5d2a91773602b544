// The depth-first search of mending's last step (MendExact.h). Students are
// given classes one by one, each first the class it started in; a branch
// ends where a count passes its high, where the students left cannot bring
// a count up to its low, or where the moves made and those the head counts
// still force reach the best found.

#include "search/MendExact.h"

#include "search/FairShares.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace classdiv::evening {

namespace {

// The counts of one column of values in the classes, kept between a low and
// a high: a flag column, the mixing column, or the marks (high 1).
struct Column {
    int values = 0;
    std::vector<int> count, lo, hi; // [class * values + value]
    std::vector<int> left;          // [value]: students still without a class
};

class ExactSearch {
public:
    ExactSearch(const Placement& placement, const std::vector<int>& start, const std::vector<char>& placed,
                const std::vector<char>& held, bool widen)
        : m_p(placement.problem()), m_start(start), m_placed(placed), m_class(start.size(), -1),
          m_entries(start.size())
    {
        addColumns(widen, placement);
        setUpGroups(placement, held);
    }

    // The fewest moves found below `limit` within `steps`, into `better`.
    bool run(int limit, long steps, std::vector<int>& better)
    {
        m_limit = limit;
        m_steps = steps;
        step(0, m_heldMoves);
        if (m_best.empty())
            return false;
        better = std::move(m_best);
        return true;
    }

private:
    // share: the fair share of each class in each value; empty for the marks, at most one a class.
    void addColumn(const std::vector<double>& share, int values, int which, bool widen, const Placement& placement)
    {
        const size_t cells = static_cast<size_t>(m_p.classCount) * std::max(0, values);
        if (cells == 0 || (which >= 0 && share.size() != cells))
            return;
        Column column;
        column.values = values;
        column.count.assign(cells, 0);
        column.left.assign(values, 0);
        column.lo.assign(cells, 0);
        column.hi.assign(cells, 1);
        for (size_t i = 0; i < share.size(); ++i) {
            const FairRange fair = fairRange(share[i]);
            column.lo[i] = fair.low;
            column.hi[i] = fair.high;
        }
        addEntries(static_cast<int>(m_columns.size()), which);
        m_columns.push_back(std::move(column));
        if (widen)
            widenToNow(m_columns.back(), static_cast<int>(m_columns.size()) - 1, placement);
    }

    // which: a flag column, kFlagColumns for the mixing column, -1 for the marks.
    void addEntries(int column, int which)
    {
        for (size_t s = 0; s < m_entries.size(); ++s) {
            const int si = static_cast<int>(s);
            if (which < 0)
                m_p.forEachMark(si, [&](int m) { m_entries[s].emplace_back(column, m); });
            else if (const int v = which == kFlagColumns ? m_p.students[s].mix : m_p.rulesOf(si).flags[which]; v >= 0)
                m_entries[s].emplace_back(column, v);
        }
    }

    // The division mended keeps every rule where the mend weighs it: a count
    // it leaves outside a range (a class no student of which may move) stays allowed.
    void widenToNow(Column& column, int k, const Placement& placement) const
    {
        std::vector<int> now(column.count.size(), 0);
        for (size_t s = 0; s < m_entries.size(); ++s)
            for (const auto& [at, v] : m_entries[s])
                if (at == k)
                    ++now[placement.classOf(static_cast<int>(s)) * column.values + v];
        for (size_t i = 0; i < now.size(); ++i) {
            column.lo[i] = std::min(column.lo[i], now[i]);
            column.hi[i] = std::max(column.hi[i], now[i]);
        }
    }

    void addColumns(bool widen, const Placement& placement)
    {
        for (int k = 0; k < m_p.flagColumns; ++k)
            addColumn(m_p.flagShare[k], m_p.flagValues[k], k, widen, placement);
        addColumn(m_p.mixShare, m_p.mixCount, kFlagColumns, widen, placement);
        addColumn({}, m_p.markCount, -1, widen, placement);
    }

    void setUpGroups(const Placement& placement, const std::vector<char>& held)
    {
        const size_t groups = m_p.groups.size();
        const int bands = m_p.bandCount;
        m_seats.resize(groups), m_band.resize(groups), m_lo.resize(groups), m_hi.resize(groups);
        m_bandLeft.resize(groups), m_stayers.resize(groups), m_localOf.resize(groups);
        for (size_t g = 0; g < groups; ++g) {
            const Group& group = m_p.groups[g];
            const int classes = static_cast<int>(group.classes.size());
            m_seats[g] = group.headCounts;
            m_band[g].assign(classes * bands, 0);
            m_bandLeft[g].assign(bands, 0);
            m_stayers[g].assign(classes, 0);
            m_localOf[g].assign(m_p.classCount, -1);
            for (int l = 0; l < classes; ++l) {
                m_localOf[g][group.classes[l]] = l;
                for (int b = 0; b < bands; ++b) {
                    const auto [lo, hi] = placement.bandRange(static_cast<int>(g), l, b);
                    m_lo[g].push_back(lo);
                    m_hi[g].push_back(hi);
                }
            }
        }
        for (size_t s = 0; s < m_start.size(); ++s)
            setUpStudent(static_cast<int>(s), placement.classOf(static_cast<int>(s)), held[s] != 0);
        // A group at a time, the students under a column first: their counts end branches soonest.
        std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
            const int ga = m_p.students[a].group, gb = m_p.students[b].group;
            return ga != gb ? ga < gb : m_entries[a].size() > m_entries[b].size();
        });
        for (size_t g = 0; g < groups; ++g)
            for (size_t l = 0; l < m_seats[g].size(); ++l)
                m_excess += std::max(0, m_stayers[g][l] - m_seats[g][l]);
    }

    void setUpStudent(int s, int now, bool held)
    {
        const Student& st = m_p.students[s];
        if (held) {
            take(s, now, +1);
            m_heldMoves += m_placed[s] && now != m_start[s];
            return;
        }
        m_order.push_back(s);
        ++m_bandLeft[st.group][st.band];
        for (const auto& [k, v] : m_entries[s])
            ++m_columns[k].left[v];
        if (const int l = stayLocal(s); l >= 0)
            ++m_stayers[st.group][l];
    }

    // The local class s may stay in, or -1 (new, or its class no longer planned).
    int stayLocal(int s) const
    {
        return m_placed[s] && m_start[s] >= 0 ? m_localOf[m_p.students[s].group][m_start[s]] : -1;
    }

    // s into (by +1) or out of (by -1) class c: every count.
    void take(int s, int c, int by)
    {
        const Student& st = m_p.students[s];
        const int l = m_localOf[st.group][c];
        m_class[s] = by > 0 ? c : -1;
        m_seats[st.group][l] -= by;
        m_band[st.group][l * m_p.bandCount + st.band] += by;
        for (const auto& [k, v] : m_entries[s])
            m_columns[k].count[c * m_columns[k].values + v] += by;
    }

    // The same for a student of the search's order, with what is left and the moves the seats force.
    void takeFree(int s, int c, int by)
    {
        const Student& st = m_p.students[s];
        const int stay = stayLocal(s), l = m_localOf[st.group][c];
        const auto excess = [&](int at) { return at < 0 ? 0 : std::max(0, m_stayers[st.group][at] - m_seats[st.group][at]); };
        m_excess -= excess(stay) + (l != stay ? excess(l) : 0);
        take(s, c, by);
        m_bandLeft[st.group][st.band] -= by;
        for (const auto& [k, v] : m_entries[s])
            m_columns[k].left[v] -= by;
        if (stay >= 0)
            m_stayers[st.group][stay] -= by;
        m_excess += excess(stay) + (l != stay ? excess(l) : 0);
    }

    // Whether s may go into c: a seat, and no count above its high.
    bool fits(int s, int c) const
    {
        const Student& st = m_p.students[s];
        const int l = m_localOf[st.group][c];
        if (m_seats[st.group][l] <= 0 || m_band[st.group][l * m_p.bandCount + st.band] >= m_hi[st.group][l * m_p.bandCount + st.band])
            return false;
        for (const auto& [k, v] : m_entries[s])
            if (m_columns[k].count[c * m_columns[k].values + v] >= m_columns[k].hi[c * m_columns[k].values + v])
                return false;
        return true;
    }

    // After s took a class: whether the students left can still bring every
    // count of s's band and values up to its low.
    bool lowsReachable(int s) const
    {
        const Student& st = m_p.students[s];
        const int bands = m_p.bandCount;
        int short_ = 0;
        for (size_t l = 0; l < m_seats[st.group].size(); ++l)
            short_ += std::max(0, m_lo[st.group][l * bands + st.band] - m_band[st.group][l * bands + st.band]);
        if (short_ > m_bandLeft[st.group][st.band])
            return false;
        for (const auto& [k, v] : m_entries[s]) {
            const Column& column = m_columns[k];
            short_ = 0;
            for (int c = 0; c < m_p.classCount; ++c)
                short_ += std::max(0, column.lo[c * column.values + v] - column.count[c * column.values + v]);
            if (short_ > column.left[v])
                return false;
        }
        return true;
    }

    // Every count at or above its low, once every student has a class.
    bool lowsMet() const
    {
        for (size_t g = 0; g < m_band.size(); ++g)
            for (size_t i = 0; i < m_band[g].size(); ++i)
                if (m_band[g][i] < m_lo[g][i])
                    return false;
        for (const Column& column : m_columns)
            for (size_t i = 0; i < column.count.size(); ++i)
                if (column.count[i] < column.lo[i])
                    return false;
        return true;
    }

    void step(size_t i, int moves)
    {
        if (m_steps <= 0 || moves + m_excess > m_limit)
            return;
        if (i == m_order.size()) {
            if (lowsMet()) {
                m_best = m_class;
                m_limit = moves - 1;
            }
            return;
        }
        const int s = m_order[i];
        const Group& group = m_p.groups[m_p.students[s].group];
        const int stay = stayLocal(s);
        // The class it started in first, then the others.
        for (int t = -1; t < static_cast<int>(group.classes.size()); ++t) {
            if ((t < 0 && stay < 0) || t == stay)
                continue;
            const int c = group.classes[t < 0 ? stay : t];
            if (!fits(s, c))
                continue;
            --m_steps;
            takeFree(s, c, +1);
            if (lowsReachable(s))
                step(i + 1, moves + (m_placed[s] && c != m_start[s]));
            takeFree(s, c, -1);
        }
    }

    const Problem& m_p;
    const std::vector<int>& m_start;
    const std::vector<char>& m_placed;
    std::vector<int> m_class, m_order, m_best;
    std::vector<std::vector<std::pair<int, int>>> m_entries; // [student]: (column, value)
    std::vector<Column> m_columns;
    // [group][local class], [group][local class * bands + band], [group][band], [group][class]
    std::vector<std::vector<int>> m_seats, m_band, m_lo, m_hi, m_bandLeft, m_stayers, m_localOf;
    int m_heldMoves = 0;
    int m_excess = 0; // stayers beyond the seats left in their classes: moves still forced
    int m_limit = 0;
    long m_steps = 0;
};

} // namespace

bool fewerMovesExactly(const Placement& placement, const std::vector<int>& start, const std::vector<char>& placed,
                       const std::vector<char>& held, int moves, long steps, std::vector<int>& better)
{
    const bool keeps = moves >= 0;
    return ExactSearch(placement, start, placed, held, keeps).run(keeps ? moves - 1 : INT_MAX / 2, steps, better);
}

} // namespace classdiv::evening
