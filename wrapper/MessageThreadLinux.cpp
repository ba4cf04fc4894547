// The Linux message thread: a thread of the plug-in's own runs JUCE's loop.
#include "wrapper/MessageThread.h"

#include <juce_events/juce_events.h>

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>

namespace MessageThread
{
namespace
{
struct Shared
{
    std::mutex lifecycle; // serialises starting and stopping
    int references = 0;
    std::thread thread;

    std::mutex stateMutex;
    std::condition_variable stateChanged;
    bool loopRunning = false;
    bool bodyFinished = true;
    bool stopPosted = false; // whoever stopped the loop is done posting

    std::atomic<std::thread::id> id{};
};

// Never destroyed: a joinable std::thread must not meet a static
// destructor if a host exits with instances still open. Kept in static
// storage, not on the heap, so that unloading the library leaks nothing.
Shared& shared()
{
    alignas(Shared) static unsigned char storage[sizeof(Shared)];
    static Shared* const s = new (storage) Shared();
    return *s;
}

void threadBody()
{
    auto& s = shared();
    pthread_setname_np(pthread_self(), "Velmo messages");

    juce::MessageManager* mm = nullptr;

    try
    {
        juce::initialiseJuce_GUI();
        mm = juce::MessageManager::getInstance();
        mm->setCurrentThreadAsMessageThread();
    }
    catch (...)
    {
        mm = nullptr;
    }

    if (mm != nullptr)
    {
        s.id.store(std::this_thread::get_id());

        {
            const std::lock_guard<std::mutex> lock(s.stateMutex);
            s.loopRunning = true;
        }
        s.stateChanged.notify_all();

        mm->runDispatchLoop();

        s.id.store(std::thread::id());

        // The thread that posted the stop may still be inside JUCE's
        // queue, which goes with the message manager.
        std::unique_lock<std::mutex> lock(s.stateMutex);
        s.stateChanged.wait(lock, [&] { return s.stopPosted; });
    }

    try
    {
        juce::shutdownJuce_GUI();
    }
    catch (...)
    {
    }

    {
        const std::lock_guard<std::mutex> lock(s.stateMutex);
        s.loopRunning = false;
        s.bodyFinished = true;
    }
    s.stateChanged.notify_all();
}

// Called with the lifecycle lock held.
void start(Shared& s)
{
    // A thread that stopped itself from its own loop was detached: let it finish.
    {
        std::unique_lock<std::mutex> lock(s.stateMutex);
        s.stateChanged.wait(lock, [&] { return s.bodyFinished; });
        s.bodyFinished = false;
        s.loopRunning = false;
        s.stopPosted = false;
    }

    if (s.thread.joinable())
        s.thread.join();

    try
    {
        s.thread = std::thread(threadBody);
    }
    catch (...)
    {
        const std::lock_guard<std::mutex> lock(s.stateMutex);
        s.bodyFinished = true;
        throw std::runtime_error("cannot start the message thread");
    }

    bool running = false;
    {
        std::unique_lock<std::mutex> lock(s.stateMutex);
        s.stateChanged.wait(lock, [&] { return s.loopRunning || s.bodyFinished; });
        running = s.loopRunning;
    }

    if (!running)
    {
        s.thread.join();
        throw std::runtime_error("cannot initialise the message thread");
    }
}

void stopLoopOnThisThread()
{
    juce::MessageManager::getInstance()->stopDispatchLoop();
}

void setStopPosted(Shared& s)
{
    {
        const std::lock_guard<std::mutex> lock(s.stateMutex);
        s.stopPosted = true;
    }
    s.stateChanged.notify_all();
}

// Called with the lifecycle lock held.
void stop(Shared& s)
{
    if (std::this_thread::get_id() == s.thread.get_id())
    {
        // Released from a message callback: the loop ends when it returns.
        stopLoopOnThisThread();
        setStopPosted(s);
        s.thread.detach();
        return;
    }

    // stopDispatchLoop still writes into the MessageManager after posting
    // the quit message, and the thread deletes the MessageManager as soon
    // as its loop ends: only the message thread itself may call it. (When
    // the post fails, the loop is already ending.) The thread then waits
    // until this post is over before it deletes anything.
    juce::MessageManager::callAsync(stopLoopOnThisThread);
    setStopPosted(s);

    if (s.thread.joinable())
        s.thread.join();
}
}

Reference::Reference()
{
    auto& s = shared();
    const std::lock_guard<std::mutex> lock(s.lifecycle);

    if (s.references == 0)
        start(s);

    ++s.references;
}

Reference::~Reference()
{
    auto& s = shared();
    const std::lock_guard<std::mutex> lock(s.lifecycle);

    if (--s.references == 0)
        stop(s);
}

int numReferences()
{
    auto& s = shared();
    const std::lock_guard<std::mutex> lock(s.lifecycle);
    return s.references;
}

void settle()
{
    callSync([] {});
}

bool isCurrentThread()
{
    return shared().id.load() == std::this_thread::get_id();
}
}
