#pragma once

#include "dsp/RootList.h"

namespace Dsp
{

// Analog Butterworth low-shelf prototype: gain 10^(gainDb/20) at s = 0,
// 1 towards infinity. Roots are rebuilt only when order or gain change.
struct ShelfPrototype
{
    ShelfPrototype(RootGroup* storage, int rootCapacity)
        : roots(storage, rootCapacity), cachedOrder(-1), cachedGainDb(0.0)
    {
    }

    ShelfPrototype(const ShelfPrototype&) = delete;
    ShelfPrototype& operator=(const ShelfPrototype&) = delete;

    void buildPrototype(int order, double gainDb);

    RootList roots;
    int cachedOrder;
    double cachedGainDb;
};

} // namespace Dsp
