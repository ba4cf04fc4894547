#pragma once

#include <atomic>
#include <cmath>

// Follows the level of a stereo signal for a level meter: each channel's
// rectified sample, limited to the ceiling, pulls its level with separate
// attack and release speeds.
//
// levelL and levelR are written by followSample() on the audio thread and may
// be read from any other thread (relaxed: only the latest value matters).
class MeterEnvelope
{
public:
    MeterEnvelope();

    // Recomputes both coefficients; call after changing sampleRate, attackMs or releaseMs.
    void updateCoefficients();

    // Moves levelL toward |left|, then levelR toward |right|.
    void followSample(float left, float right) noexcept
    {
        follow(levelL, left);
        follow(levelR, right);
    }

    // One channel's level after the sample x. Loops that keep the levels in
    // locals for a block use this and publish them once at the end.
    float next(float level, float x) const noexcept { return step(level, x, ceiling, attackCoef, releaseCoef); }

    // next() for a follower whose ceiling and coefficients are given.
    static float step(float level, float x, float ceiling, float attackCoef, float releaseCoef) noexcept
    {
        float a = std::fabs(x);
        if (!(a <= ceiling))
            a = a > ceiling ? ceiling : 0.0f; // a NaN sample counts as silence

        const float c = a > level ? attackCoef : releaseCoef;
        level = (level - a) * c + a;
        if (level > ceiling)
            level = ceiling;
        return level;
    }

    float sampleRate = 44100.0f;
    float ceiling = 2.0f;
    float attackCoef = 0.0f;  // share of the old level kept per sample while the input is above it
    float releaseCoef = 0.0f; // the same while the input is at or below it
    std::atomic<float> levelL{0.0f};
    std::atomic<float> levelR{0.0f};
    float attackMs = 50.0f;
    float releaseMs = 50.0f;

    static_assert(std::atomic<float>::is_always_lock_free, "levels must be lock-free");

private:
    void follow(std::atomic<float>& levelRef, float x) noexcept
    {
        levelRef.store(next(levelRef.load(std::memory_order_relaxed), x), std::memory_order_relaxed);
    }
};
