#pragma once

#include <functional>

// JUCE's message thread, shared by every plug-in instance in the process.
// JUCE's GUI layer is initialised when the first Reference is made and shut
// down when the last one goes; a later Reference starts it afresh.
//
// Which thread it is depends on the platform's hosts:
// - Linux (MessageThreadLinux.cpp): hosts call the editor opcodes from their
//   own UI thread and need not pump JUCE's messages, so the loop runs on a
//   thread the plug-in owns.
// - Windows (MessageThreadWindows.cpp): hosts create plug-ins and open
//   editors on their UI thread and pump its window messages, so that thread is
//   JUCE's message thread; a loop of our own would deadlock against the host
//   when the editor becomes a child of the host's window.
namespace MessageThread
{
// Keeps the message thread running while it lives. Throws
// std::runtime_error when it cannot be started.
class Reference
{
public:
    Reference();
    ~Reference();

    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;
};

// Runs fn on the message thread and waits for it (directly when called on
// that thread). An exception thrown by fn is rethrown here. Answers false
// when fn could not be run because no message loop is running.
// Never call this while holding a lock that code on the message thread
// may take (the processor's callback lock above all).
bool callSync(const std::function<void()>& fn);

// Waits until the messages posted so far have been handled, so that an
// object they refer to can go. Returns at once on the message thread, and
// on Windows, where the message thread is the host's UI thread: a host
// that closes a plug-in on another thread may be keeping that thread
// waiting for it.
void settle();

// True on the message thread.
bool isCurrentThread();

// Number of References alive (for diagnostics and tests).
int numReferences();
}
