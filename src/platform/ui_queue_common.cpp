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
        now = pumping_;
    }
    if (now)
        work();
    else
        Post(std::move(work));
}

int TManualUiQueue::Pump() {
    int ran = 0;
    for (;;) {
        TWork next;
        {
            std::lock_guard lock(mutex_);
            if (work_.empty()) {
                pumping_ = false;
                return ran;
            }
            pumping_ = true;
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
