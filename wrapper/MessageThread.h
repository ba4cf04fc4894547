#pragma once

#include <functional>

// JUCE's message thread, owned by the plug-in and shared by every instance in
// the process. A Linux host calls the editor opcodes from its own UI thread
// and need not pump JUCE's messages, so the loop runs on a thread of ours:
// started (JUCE's GUI layer initialised on it) when the first Reference is
// made, stopped and joined (GUI layer shut down) when the last one goes, and
// started afresh for a later Reference.
namespace MessageThread
{
    // Keeps the message thread running while it lives. The first one starts
    // the thread and returns once the loop is ready; throws std::runtime_error
    // when the thread cannot be started.
    class Reference
    {
    public:
        Reference();
        ~Reference();

        Reference (const Reference&) = delete;
        Reference& operator= (const Reference&) = delete;
    };

    // Runs fn on the message thread and waits for it (directly when called on
    // that thread). An exception thrown by fn is rethrown here. Answers false
    // when fn could not be run because no message loop is running.
    // Never call this while holding a lock that code on the message thread
    // may take (the processor's callback lock above all).
    bool callSync (const std::function<void()>& fn);

    // True on the message thread.
    bool isCurrentThread();

    // Number of References alive (for diagnostics and tests).
    int numReferences();
}
