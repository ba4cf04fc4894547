#include "dsp/MeterEnvelope.h"

#include "dsp/maths/Maths.h"

namespace
{
// Share of the distance to the input left after one sample, such that 1 %
// remains after timeMs: the product in single precision, the rest in double.
float coefficientFor(float timeMs, float sampleRate)
{
    const float product = timeMs * sampleRate;
    return static_cast<float>(Maths::power(0.01, 1.0 / (static_cast<double>(product) * 0.001)));
}
} // namespace

MeterEnvelope::MeterEnvelope()
{
    updateCoefficients();
}

void MeterEnvelope::updateCoefficients()
{
    attackCoef = coefficientFor(attackMs, sampleRate);
    releaseCoef = coefficientFor(releaseMs, sampleRate);
}
