#include "search/Energy.h"

#include <cmath>

namespace classdiv::evening {

namespace {

// Random exchanges measured to learn how much a typical one changes things.
constexpr int kSampledExchanges = 400;

} // namespace

double typicalChange(const Placement& placement, const Component& component, const Key& now, double finest,
                     double mainScale, Rng& rng)
{
    const uint32_t count = static_cast<uint32_t>(component.movable.size());
    double typical = 0;
    int sampled = 0;
    for (int i = 0; i < kSampledExchanges; ++i) {
        const int a = component.movable[rng.below(count)];
        const int b = placement.partner(a, rng);
        Change ch;
        if (b < 0 || !placement.isFree(a) || !placement.isFree(b) || placement.classOf(a) == placement.classOf(b) ||
            !placement.change(a, b, ch))
            continue;
        const Key after = placement.keyAfter(component, now, placement.classOf(a), placement.classOf(b), ch);
        typical += std::abs(energy(after, component, mainScale) - energy(now, component, mainScale));
        ++sampled;
    }
    return sampled > 0 ? typical / sampled : finest;
}

} // namespace classdiv::evening
