#include "processor/VelmoAudioProcessor.h"

// No editor yet: the framework treats a null editor as "none to show".
juce::AudioProcessorEditor* VelmoAudioProcessor::createEditor()
{
    return nullptr;
}
