#include "platform/posix/main_thread_queue.h"
#include "platform/ui_queue.h"

namespace vellum {

namespace {

IUiQueue* installedQueue = nullptr;

}  // namespace

void InstallMainThreadUiQueue(IUiQueue& queue) {
    installedQueue = &queue;
}

IUiQueue& MainThreadUiQueue() {
    if (installedQueue != nullptr) return *installedQueue;
    static TManualUiQueue queue;
    return queue;
}

}  // namespace vellum
