#include "platform/gtk/glib_ui_queue.h"

#include <glib.h>

namespace vellum {

TGLibUiQueue::TGLibUiQueue(std::function<void(std::exception_ptr)> onError) : onError_(std::move(onError)) {}

TGLibUiQueue::~TGLibUiQueue() {
    std::lock_guard lock(mutex_);
    if (source_ != 0) g_source_remove(source_);
    source_ = 0;
}

void TGLibUiQueue::Post(TWork work) {
    std::lock_guard lock(mutex_);
    work_.push_back(std::move(work));
    ScheduleLocked();
}

void TGLibUiQueue::Run(TWork work) {
    if (g_main_context_is_owner(g_main_context_default()))
        work();
    else
        Post(std::move(work));
}

void TGLibUiQueue::ScheduleLocked() {
    // One source at a time keeps the order: GLib does not promise to dispatch sources of the
    // same priority in the order they were added.
    if (source_ == 0 && !work_.empty()) source_ = g_idle_add_full(G_PRIORITY_DEFAULT, &TGLibUiQueue::Dispatch, this, nullptr);
}

int TGLibUiQueue::Dispatch(void* self) {
    auto& queue = *static_cast<TGLibUiQueue*>(self);
    TWork next;
    {
        std::lock_guard lock(queue.mutex_);
        queue.source_ = 0;
        if (queue.work_.empty()) return G_SOURCE_REMOVE;
        next = std::move(queue.work_.front());
        queue.work_.pop_front();
        queue.ScheduleLocked();
    }
    try {
        next();
    } catch (...) {
        queue.onError_(std::current_exception());
    }
    return G_SOURCE_REMOVE;
}

}  // namespace vellum
