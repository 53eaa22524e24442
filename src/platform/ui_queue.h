#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vellum {

// Work handed to the user-interface thread. Post may be called from any thread; the work runs
// on the user-interface thread, in the order posted. Run runs it at once when already there.
class IUiQueue {
public:
    using TWork = std::function<void()>;
    virtual ~IUiQueue() = default;
    virtual void Post(TWork work) = 0;
    // Runs `work` now when called on the user-interface thread, else posts it.
    virtual void Run(TWork work) = 0;
};

// The queue of the thread that creates it, served by that thread's message loop (Windows: a
// message-only window; elsewhere the desktop backend's main loop will serve it).
IUiQueue& MainThreadUiQueue();

// A queue that a test serves itself, by calling Pump on the thread it treats as the
// user-interface thread.
class TManualUiQueue final : public IUiQueue {
public:
    void Post(TWork work) override;
    void Run(TWork work) override;
    // Runs everything posted so far (and whatever that posts), on the calling thread.
    int Pump();
    std::size_t Pending() const;

private:
    mutable std::mutex mutex_;
    std::deque<TWork> work_;
    bool pumping_ = false;
    std::thread::id pumpingThread_;  // Run works at once only on the thread that pumps
};

}  // namespace vellum
