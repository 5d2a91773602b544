#include "division/EvenAverages.h"

namespace classdiv {

EvenAveragesOutcome evenAverages(ConditionsWorkspace& ws, DivisionState& state, StudentTable& table,
                                 DistributionTable& distribution, RandomSource& random, const SpreadRules&, bool)
{
    const DrawOutcome press = drawClasses(ws, state, table, distribution, random);
    return EvenAveragesOutcome{press.message, press.drawn};
}

double mixingDeviation(const ConditionsWorkspace&, const StudentTable&, const SpreadRules&)
{
    return 0;
}

} // namespace classdiv
