#pragma once

#include <deque>
#include <exception>
#include <functional>
#include <memory>

#include "browser/browser_page.h"
#include "platform/ui_queue.h"

namespace vellum {

// Page requests wait here from the browser engine's message event until that event has
// returned: the engine does not allow a nested message loop (a modal dialog, a message box)
// inside its events, and closing the window from one would free the engine's caller. Requests
// are dispatched on the user-interface thread in arrival order, one at a time: a request that
// arrives while another one shows a modal dialog waits until the dialog closes.
class TPageRequestQueue {
public:
    using TDispatch = std::function<void(const TPageMessage& message)>;
    // Receives an error a dispatch raised; the queue goes on with the next request.
    using TReport = std::function<void(std::exception_ptr error)>;

    TPageRequestQueue(IUiQueue& uiQueue, TDispatch dispatch, TReport report);
    ~TPageRequestQueue();
    TPageRequestQueue(const TPageRequestQueue&) = delete;
    TPageRequestQueue& operator=(const TPageRequestQueue&) = delete;

    // Keeps the message and returns at once; the dispatch runs from the user-interface queue.
    void Enqueue(TPageMessage message);
    // Requests not dispatched yet.
    std::size_t Pending() const { return waiting_.size(); }
    bool Dispatching() const { return draining_; }
    // No further request is dispatched (the window is closing); those waiting are dropped.
    void Stop();

private:
    void Drain();

    IUiQueue& uiQueue_;
    TDispatch dispatch_;
    TReport report_;
    std::deque<TPageMessage> waiting_;
    bool draining_ = false;
    bool stopped_ = false;
    // Queued drains hold this; the destructor clears it so that a late one does nothing.
    std::shared_ptr<TPageRequestQueue*> self_;
};

}  // namespace vellum
