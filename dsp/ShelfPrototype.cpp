#include "dsp/ShelfPrototype.h"

#include "dsp/maths/Maths.h"

namespace Dsp
{

void ShelfPrototype::buildPrototype(int order, double gainDb)
{
    // A NaN gain never compares equal, so it rebuilds every time.
    if (order == cachedOrder && gainDb == cachedGainDb)
        return;

    roots.rootCount = 0;
    cachedOrder = order;
    cachedGainDb = gainDb;

    const double twoN = static_cast<double>(2 * order);
    const double g = Maths::power(Maths::powerOfTen(gainDb / 20.0), 1.0 / twoN);
    const double poleRadius = -1.0 / g;
    const double zeroRadius = -g;

    const int pairs = order / 2;
    for (int i = 0; i < pairs; ++i)
    {
        const int k = 2 * i + 1;
        const double theta = (0.5 - k / twoN) * Maths::pi;
        const double c = Maths::cosine(theta);
        const double s = Maths::sine(theta);
        RootGroup& group = roots.groups[roots.rootCount / 2];
        group.poleA = {poleRadius * c, poleRadius * s};
        group.poleB = {poleRadius * c, -(poleRadius * s)};
        group.zeroA = {zeroRadius * c, zeroRadius * s};
        group.zeroB = {zeroRadius * c, -(zeroRadius * s)};
        roots.rootCount += 2;
    }

    if (order % 2 != 0)
    {
        RootGroup& group = roots.groups[roots.rootCount / 2];
        group.poleA = {poleRadius, 0.0};
        group.poleB = {0.0, 0.0};
        group.zeroA = {zeroRadius, 0.0};
        group.zeroB = {0.0, 0.0};
        roots.rootCount += 1;
    }
}

} // namespace Dsp
