#include "bridge/request_queue.h"

namespace vellum {

TPageRequestQueue::TPageRequestQueue(IUiQueue& uiQueue, TDispatch dispatch, TReport report)
    : uiQueue_(uiQueue),
      dispatch_(std::move(dispatch)),
      report_(std::move(report)),
      self_(std::make_shared<TPageRequestQueue*>(this)) {}

TPageRequestQueue::~TPageRequestQueue() {
    *self_ = nullptr;
}

void TPageRequestQueue::Enqueue(TPageMessage message) {
    if (stopped_) return;
    waiting_.push_back(std::move(message));
    // Posted, never run at once: the engine's event is still on the stack.
    uiQueue_.Post([self = self_] {
        if (TPageRequestQueue* queue = *self) queue->Drain();
    });
}

void TPageRequestQueue::Stop() {
    stopped_ = true;
    waiting_.clear();
}

void TPageRequestQueue::Drain() {
    // A nested message loop inside a dispatch (a modal dialog) runs later drains: they leave
    // their requests to the outer one, which takes them in order once the dialog has closed.
    if (draining_) return;
    draining_ = true;
    const std::shared_ptr<TPageRequestQueue*> self = self_;
    while (!waiting_.empty() && !stopped_) {
        const TPageMessage message = std::move(waiting_.front());
        waiting_.pop_front();
        try {
            dispatch_(message);
        } catch (...) {
            if (*self == nullptr) return;
            report_(std::current_exception());
        }
        // A dispatch that ended the window took the queue with it.
        if (*self == nullptr) return;
    }
    draining_ = false;
}

}  // namespace vellum
