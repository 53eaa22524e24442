#include "platform/ui_queue.h"

namespace vellum {

void TManualUiQueue::Post(TWork work) {
    std::lock_guard lock(mutex_);
    work_.push_back(std::move(work));
}

void TManualUiQueue::Run(TWork work) {
    bool now;
    {
        std::lock_guard lock(mutex_);
        now = pumping_ && pumpingThread_ == std::this_thread::get_id();
    }
    if (now)
        work();
    else
        Post(std::move(work));
}

int TManualUiQueue::Pump() {
    int ran = 0;
    // However the pump ends (work that raises leaves it too), the queue is pumping again only
    // when this pump runs inside another one, as a nested message loop does.
    bool outer;
    {
        std::lock_guard lock(mutex_);
        outer = pumping_;
    }
    struct TPumpEnd {
        TManualUiQueue& Queue;
        bool Outer;
        ~TPumpEnd() {
            std::lock_guard lock(Queue.mutex_);
            Queue.pumping_ = Outer;
        }
    } end{*this, outer};
    for (;;) {
        TWork next;
        {
            std::lock_guard lock(mutex_);
            if (work_.empty()) return ran;
            pumping_ = true;
            pumpingThread_ = std::this_thread::get_id();
            next = std::move(work_.front());
            work_.pop_front();
        }
        next();
        ++ran;
    }
}

std::size_t TManualUiQueue::Pending() const {
    std::lock_guard lock(mutex_);
    return work_.size();
}

}  // namespace vellum
