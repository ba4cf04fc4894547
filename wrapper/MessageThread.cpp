// Handing work to the message thread, whichever thread that is.
#include "wrapper/MessageThread.h"

#include <juce_events/juce_events.h>

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

namespace MessageThread
{
bool callSync(const std::function<void()>& fn)
{
    if (isCurrentThread())
    {
        fn();
        return true;
    }

    struct Outcome
    {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool ran = false;
        std::exception_ptr error;
    };

    // Signals the caller when the message is destroyed: after it ran, or
    // when the queue discards it without running it.
    struct Signal
    {
        explicit Signal(std::shared_ptr<Outcome> o) : outcome(std::move(o)) {}

        ~Signal()
        {
            {
                const std::lock_guard<std::mutex> lock(outcome->mutex);
                outcome->finished = true;
            }
            outcome->done.notify_all();
        }

        std::shared_ptr<Outcome> outcome;
    };

    auto outcome = std::make_shared<Outcome>();

    const bool posted = juce::MessageManager::callAsync(
        [signal = std::make_shared<Signal>(outcome), &fn]
        {
            std::exception_ptr error;

            try
            {
                fn();
            }
            catch (...)
            {
                error = std::current_exception();
            }

            const std::lock_guard<std::mutex> lock(signal->outcome->mutex);
            signal->outcome->ran = true;
            signal->outcome->error = error;
        });

    std::unique_lock<std::mutex> lock(outcome->mutex);
    outcome->done.wait(lock, [&] { return outcome->finished; });

    if (outcome->error != nullptr)
        std::rethrow_exception(outcome->error);

    return posted && outcome->ran;
}
}
