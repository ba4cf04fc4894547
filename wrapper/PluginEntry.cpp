// The library's one export: the VST 2.4 entry point.
#include "wrapper/MessageThread.h"
#include "wrapper/VelmoVstWrapper.h"

#include <memory>

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster)
{
    if (audioMaster == nullptr)
        return nullptr;

    try
    {
        // Starts the shared message thread (and JUCE's GUI layer on it) for
        // the first instance; the wrapper keeps its own reference.
        const MessageThread::Reference messageThread;

        if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
            return nullptr;

        juce::AudioProcessor::setTypeOfNextNewPlugin(juce::AudioProcessor::wrapperType_VST);
        std::unique_ptr<juce::AudioProcessor> processor(createPluginFilter());
        juce::AudioProcessor::setTypeOfNextNewPlugin(juce::AudioProcessor::wrapperType_Undefined);

        if (processor == nullptr)
            return nullptr;

        auto* wrapper = new VelmoVstWrapper(audioMaster, std::move(processor));
        return wrapper->getAeffect();
    }
    catch (...)
    {
        return nullptr;
    }
}
