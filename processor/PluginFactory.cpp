#include "processor/VelmoAudioProcessor.h"

// The framework's plug-in factory: the wrapper owns and deletes the result.
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new VelmoAudioProcessor();
}
