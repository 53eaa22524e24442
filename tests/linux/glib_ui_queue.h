#pragma once

#include <glib.h>

#include <memory>
#include <thread>

#include "platform/ui_queue.h"

namespace vellum::testing {

// The user-interface queue served by GLib's main loop, for the test host: work posted from any
// thread runs on the thread that made the queue, in the order posted.
class TGlibUiQueue final : public IUiQueue {
public:
    TGlibUiQueue() : owner_(std::this_thread::get_id()) {}

    void Post(TWork work) override {
        // Always queued, never run inside Post: a page request must wait until the engine's
        // event has returned.
        g_idle_add_full(G_PRIORITY_DEFAULT, RunOnce, new TWork(std::move(work)), DeleteWork);
    }
    void Run(TWork work) override {
        if (std::this_thread::get_id() == owner_)
            work();
        else
            Post(std::move(work));
    }

private:
    static gboolean RunOnce(gpointer data) {
        (*static_cast<TWork*>(data))();
        return G_SOURCE_REMOVE;
    }
    static void DeleteWork(gpointer data) { delete static_cast<TWork*>(data); }

    std::thread::id owner_;
};

}  // namespace vellum::testing
