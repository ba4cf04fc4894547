#pragma once

#include "processor/VelmoAudioProcessor.h"

#include "dsp/maths/Maths.h"
#include "tests/support/TestSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ProcessorTest
{
// A message manager on the test thread, so that change messages can be
// posted and then delivered with dispatchPendingMessages().
inline void ensureMessageManager()
{
    juce::MessageManager::getInstance();
}

struct ChangeCounter : juce::ChangeListener
{
    explicit ChangeCounter(juce::ChangeBroadcaster& b) : broadcaster(b)
    {
        ensureMessageManager();
        broadcaster.addChangeListener(this);
    }

    ~ChangeCounter() override { broadcaster.removeChangeListener(this); }

    // Delivers what is pending and answers how many callbacks arrived so far.
    int count()
    {
        broadcaster.dispatchPendingMessages();
        return callbacks;
    }

    void changeListenerCallback(juce::ChangeBroadcaster*) override { ++callbacks; }

    juce::ChangeBroadcaster& broadcaster;
    int callbacks = 0;
};

// Stands in for the wrapper: records what would be reported to the host.
struct HostRecorder : juce::AudioProcessorListener
{
    struct Change
    {
        int index;
        float value;
    };

    void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float value) override
    {
        changes.push_back({index, value});
    }

    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override {}

    std::vector<Change> changes;
};

// A filter that records every parameter set it receives and passes audio.
struct SpyFilter : Dsp::Filter
{
    explicit SpyFilter(bool* deletedFlag = nullptr) : deleted(deletedFlag) {}
    ~SpyFilter() override
    {
        if (deleted != nullptr)
            *deleted = true;
    }

    int kindCode() const override { return 0; }
    std::string title() const override { return "spy"; }
    int paramCount() const override { return 5; }
    Dsp::ParamInfo paramInfo(int) const override { return {}; }
    std::vector<Dsp::RootGroup> rootGroups() const override { return {}; }
    std::complex<double> responseAt(double) const override { return 1.0; }
    int channelCount() const override { return 2; }
    void clearHistory() override {}
    void processChannels(int, double* const*) override { ++blocks; }
    void processChannels(int, float* const*) override { ++blocks; }

    void applyParams(const Dsp::ParamValues& values) override { received.push_back(values); }

    std::vector<Dsp::ParamValues> received;
    int blocks = 0;
    bool* deleted;
};

// Installs a spy as the processor's filter and returns it (owned by the processor).
inline SpyFilter* installSpy(VelmoAudioProcessor& p, bool* deletedFlag = nullptr)
{
    auto* spy = new SpyFilter(deletedFlag);
    p.shelf.shelfFilter.reset(spy);
    return spy;
}

// The framework's legacy notifying setter, without its deprecation warning.
inline void setNotifyingHost(juce::AudioProcessor& p, int index, float value)
{
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    p.setParameterNotifyingHost(index, value);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

inline float dbToGain(float db)
{
    return Maths::power(10.0f, db * 0.05f);
}

// The test signals' programme from startSample on, peaking at levelL and levelR.
inline void fillSignal(juce::AudioSampleBuffer& b, int startSample, float levelL = 0.3f, float levelR = 0.2f)
{
    for (int ch = 0; ch < std::min(b.getNumChannels(), 2); ++ch)
        for (int i = 0; i < b.getNumSamples(); ++i)
            b.setSample(ch, i, testsignals::programme(ch, startSample + i, ch == 0 ? levelL : levelR));
}
}
