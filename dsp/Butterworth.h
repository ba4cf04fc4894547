#pragma once

#include <vector>

#include "dsp/BandMapping.h"
#include "dsp/ParamInfo.h"
#include "dsp/RootList.h"
#include "dsp/SectionChain.h"
#include "dsp/ShelfPrototype.h"

namespace Dsp
{
namespace Butterworth
{
namespace Design
{

// Parameter records of the band shelf: 0 sample rate, 1 order, 2 centre,
// 3 bandwidth, 4 gain. Any other index throws std::logic_error.
ParamInfo bandShelfParamInfo(int index);

// Butterworth band shelf of up to MaxOrder: an analog low-shelf prototype
// mapped onto a band, giving MaxOrder second-order sections. All storage is
// inside the object; the lists point into it, so it is neither copied nor moved.
template <int MaxOrder>
class BandShelf
{
    static_assert(MaxOrder >= 1, "a band shelf needs an order of at least 1");

public:
    static constexpr int maxOrder = MaxOrder;
    static constexpr int maxSections = MaxOrder;

    BandShelf()
        : cascade(sectionStorage, MaxOrder),
          digital(digitalGroups, 2 * MaxOrder),
          prototype(prototypeGroups, MaxOrder),
          sectionStorage{},
          prototypeGroups{},
          digitalGroups{}
    {
    }

    BandShelf(const BandShelf&) = delete;
    BandShelf(BandShelf&&) = delete;
    BandShelf& operator=(const BandShelf&) = delete;
    BandShelf& operator=(BandShelf&&) = delete;

    // Order 1 can be designed for many parameter sets at once.
    static constexpr bool designsInBatches = MaxOrder == 1;
    static constexpr int batchSize = orderOneBatch;

    // The section configure would build for each set, count sets at once
    // (order 1 only). configure's state is left alone.
    static void designBatch(int count, const double (*values)[5], SectionCoeffs* sections)
    {
        designOrderOneSections(count, values, sections);
    }

    static int kindCode() { return 6; }
    static const char* title() { return "Butterworth Band Shelf"; }
    static int paramCount() { return 5; }
    static ParamInfo paramInfo(int index) { return bandShelfParamInfo(index); }

    // Redesigns everything in place. The storage holds MaxOrder sections, so
    // the order is kept between 1 and MaxOrder.
    void configure(int order, double sampleRate, double centreHz, double bandwidthHz, double gainDb)
    {
        prototype.buildPrototype(order < 1 ? 1 : (order > MaxOrder ? MaxOrder : order), gainDb);
        const double centre = centreHz / sampleRate;
        const double width = bandwidthHz / sampleRate;
        BandMapping mapping(centre, width, digital, prototype.roots);
        // Bands centred below a quarter of the sample rate are normalised at
        // the Nyquist frequency, all others (and NaN) at DC.
        digital.referenceOmega = centre < 0.25 ? Maths::pi : 0.0;
        digital.referenceGain = 1.0;
        cascade.buildFromRoots(digital);
    }

    std::vector<RootGroup> collectRootGroups() const
    {
        std::vector<RootGroup> result;
        const int count = digital.groupCount();
        for (int i = 0; i < count; ++i)
            result.push_back(digital.groups[i]);
        return result;
    }

    SectionChain cascade;
    RootList digital;
    ShelfPrototype prototype;

private:
    SectionCoeffs sectionStorage[MaxOrder];
    RootGroup prototypeGroups[(MaxOrder + 1) / 2];
    RootGroup digitalGroups[MaxOrder];
};

} // namespace Design
} // namespace Butterworth
} // namespace Dsp
