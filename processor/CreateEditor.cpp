#include "processor/VelmoAudioProcessor.h"

#include "editor/VelmoAudioProcessorEditor.h"

// The framework owns the editor and deletes it when the host closes it.
juce::AudioProcessorEditor* VelmoAudioProcessor::createEditor()
{
    return new VelmoAudioProcessorEditor (*this);
}
