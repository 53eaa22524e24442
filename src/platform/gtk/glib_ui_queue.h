#pragma once

#include <deque>
#include <exception>
#include <functional>
#include <mutex>

#include "platform/ui_queue.h"

namespace vellum {

// The user-interface queue of the GTK main loop: work posted from any thread runs on the thread
// that runs the default GLib main context, in the order posted, one item per turn of the loop
// so that drawing and input are never starved. Work that raises is handed to `onError` (the
// unhandled-error report), as the Windows queue's guard does.
class TGLibUiQueue final : public IUiQueue {
public:
    explicit TGLibUiQueue(std::function<void(std::exception_ptr)> onError);
    ~TGLibUiQueue() override;
    TGLibUiQueue(const TGLibUiQueue&) = delete;
    TGLibUiQueue& operator=(const TGLibUiQueue&) = delete;

    void Post(TWork work) override;
    // Runs at once on the main loop's thread, else posts.
    void Run(TWork work) override;

private:
    static int Dispatch(void* self);
    void ScheduleLocked();

    std::function<void(std::exception_ptr)> onError_;
    std::mutex mutex_;
    std::deque<TWork> work_;
    unsigned source_ = 0;  // the pending idle source, 0 when none
};

}  // namespace vellum
