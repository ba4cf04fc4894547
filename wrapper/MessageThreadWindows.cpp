// The Windows message thread: the host's UI thread, the one that creates the
// first instance. JUCE's hidden message window lives on it, and the host's
// message pump delivers JUCE's messages and timers there.
#include "wrapper/MessageThread.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace MessageThread
{
namespace
{
struct Shared
{
    std::mutex lifecycle; // serialises starting and stopping
    int references = 0;
    std::atomic<std::thread::id> id{};
};

Shared& shared()
{
    static Shared s;
    return s;
}
}

Reference::Reference()
{
    auto& s = shared();
    const std::lock_guard<std::mutex> lock(s.lifecycle);

    if (s.references == 0)
    {
        juce::initialiseJuce_GUI();
        juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
        s.id.store(std::this_thread::get_id());
    }

    ++s.references;
}

Reference::~Reference()
{
    auto& s = shared();
    const std::lock_guard<std::mutex> lock(s.lifecycle);

    if (--s.references == 0)
    {
        s.id.store(std::thread::id());
        juce::shutdownJuce_GUI();
    }
}

int numReferences()
{
    auto& s = shared();
    const std::lock_guard<std::mutex> lock(s.lifecycle);
    return s.references;
}

void settle() {}

bool isCurrentThread()
{
    return shared().id.load() == std::this_thread::get_id();
}
}
