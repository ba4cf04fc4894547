#include "editor/VelmoAudioProcessorEditor.h"
#include "processor/VelmoAudioProcessor.h"

// The framework's plug-in factory: the wrapper owns and deletes the result.
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new VelmoAudioProcessor();
}

// The caller owns the editor: the wrapper deletes it when the host closes it.
juce::AudioProcessorEditor* VelmoAudioProcessor::createEditor()
{
    return new VelmoAudioProcessorEditor(*this);
}
