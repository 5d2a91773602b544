#include "search/FewSeats.h"

#include "search/ChainExchange.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace classdiv::evening {

namespace {

using Flags = std::array<int, kFlagColumns>;

// Whether the free students of class c are all of group g.
bool holdsOnly(const Placement& placement, const Component& component, int c, int g)
{
    const Problem& p = placement.problem();
    return std::none_of(component.movable.begin(), component.movable.end(), [&](int s) {
        return placement.isFree(s) && placement.classOf(s) == c && p.students[s].group != g;
    });
}

// Sorted, so that two choices compare as multisets.
template <size_t N>
std::array<Flags, N> sortedFlags(const Problem& p, const std::array<int, N>& students)
{
    std::array<Flags, N> flags;
    for (size_t i = 0; i < N; ++i)
        flags[i] = p.rulesOf(students[i]).flags;
    std::sort(flags.begin(), flags.end());
    return flags;
}

struct Classes {
    double total = 0; // of the component
    int heads = 0;
    int closed = -1;
    double sum = 0; // of the closed class
    int head = 1;
    double gap(double closedSum) const
    {
        return std::abs(closedSum / head - (total - closedSum) / (heads - head));
    }
};

// Every choice of N of `all` (the few first, then the closed class's) with
// the flags of the few, that brings the closed class at least `least` nearer.
template <size_t N>
void choicesOf(const Problem& p, const std::vector<int>& all, const Classes& classes, double least,
               std::vector<Replacement>& out)
{
    std::array<int, N> few;
    double fewSum = 0;
    for (size_t i = 0; i < N; ++i) {
        few[i] = all[i];
        fewSum += p.students[all[i]].score;
    }
    const std::array<Flags, N> want = sortedFlags(p, few);
    const double gapNow = classes.gap(classes.sum);
    std::array<size_t, N> at{};
    const auto weigh = [&] {
        if (at[N - 1] < N) // the few themselves
            return;
        std::array<int, N> chosen;
        double sum = 0;
        for (size_t i = 0; i < N; ++i) {
            chosen[i] = all[at[i]];
            sum += p.students[chosen[i]].score;
        }
        const double gap = classes.gap(classes.sum + fewSum - sum);
        if (gap + least > gapNow || sortedFlags(p, chosen) != want)
            return;
        Replacement r{{}, {}, classes.closed, gap};
        for (size_t i = 0; i < N; ++i) {
            if (std::find(at.begin(), at.end(), i) == at.end())
                r.out.push_back(all[i]);
            if (at[i] >= N)
                r.in.push_back(all[at[i]]);
        }
        out.push_back(std::move(r));
    };
    // at[0] < at[1] < ... over all.size(), as an odometer.
    for (size_t i = 0; i < N; ++i)
        at[i] = i;
    while (true) {
        weigh();
        size_t i = N;
        while (i > 0 && at[i - 1] == all.size() - N + (i - 1))
            --i;
        if (i == 0)
            return;
        ++at[i - 1];
        for (size_t j = i; j < N; ++j)
            at[j] = at[j - 1] + 1;
    }
}

} // namespace

std::vector<Replacement> fewSeatReplacements(const Placement& placement, const Component& component, double least)
{
    const Problem& p = placement.problem();
    Classes classes;
    for (int c : component.classes) {
        classes.total += placement.sum(c);
        classes.heads += placement.head(c);
    }
    std::vector<Replacement> out;
    for (int g : fewSeatGroups(p, component)) {
        const Group& group = p.groups[static_cast<size_t>(g)];
        for (size_t f = 0; f < group.classes.size(); ++f)
            for (size_t c = 0; c < group.classes.size(); ++c) {
                const int fewClass = group.classes[f], closed = group.classes[c];
                if (group.headCounts[f] > kFewSeats || c == f || !holdsOnly(placement, component, closed, g))
                    continue;
                std::vector<int> all, theirs; // the few first
                for (int s : group.students)
                    if (placement.isFree(s) && placement.classOf(s) == fewClass)
                        all.push_back(s);
                    else if (placement.isFree(s) && placement.classOf(s) == closed)
                        theirs.push_back(s);
                const size_t n = all.size();
                all.insert(all.end(), theirs.begin(), theirs.end());
                if (n == 0 || theirs.empty() || all.size() > kMostForReplacement)
                    continue;
                classes.closed = closed;
                classes.sum = placement.sum(closed);
                classes.head = placement.head(closed);
                if (n == 1)
                    choicesOf<1>(p, all, classes, least, out);
                else if (n == 2)
                    choicesOf<2>(p, all, classes, least, out);
                else
                    choicesOf<3>(p, all, classes, least, out);
            }
    }
    std::stable_sort(out.begin(), out.end(), [](const Replacement& a, const Replacement& b) { return a.gap < b.gap; });
    return out;
}

bool makeReplacement(Placement& placement, const Replacement& r)
{
    const Problem& p = placement.problem();
    // The band counts of each class the trades touch, once: the trades keep
    // the classes of the students among them.
    const auto outside = [&] {
        long n = r.closed >= 0 && p.mixCount > 0 ? placement.valuesOutside(kFlagColumns, r.closed) : 0;
        std::vector<int> counted;
        for (const std::vector<int>* side : {&r.out, &r.in})
            for (int s : *side)
                if (std::find(counted.begin(), counted.end(), placement.classOf(s)) == counted.end()) {
                    counted.push_back(placement.classOf(s));
                    n += placement.bandsOutside(s);
                }
        return n;
    };
    const auto trade = [&] {
        for (size_t i = 0; i < r.out.size(); ++i) {
            Change ch;
            placement.change(r.out[i], r.in[i], ch, false);
            placement.apply(r.out[i], r.in[i], ch);
        }
    };
    const long before = outside();
    trade();
    if (outside() <= before)
        return true;
    trade();
    return false;
}

void forceReplacements(Placement& placement, const std::function<std::vector<Replacement>()>& choices, size_t most,
                       int turns, const std::function<void()>& restoreBest,
                       const std::function<bool(const Replacement&)>& round)
{
    for (int turn = 0; turn < turns; ++turn) {
        restoreBest();
        const std::vector<Replacement> replacements = choices();
        size_t tried = 0;
        bool found = false;
        for (size_t i = 0; i < replacements.size() && tried < most && !found; ++i) {
            restoreBest();
            if (!makeReplacement(placement, replacements[i]))
                continue;
            ++tried;
            found = round(replacements[i]);
        }
        if (!found)
            break;
    }
    restoreBest();
}

} // namespace classdiv::evening
