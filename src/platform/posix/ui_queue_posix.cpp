#include "platform/ui_queue.h"

namespace vellum {

// Until the desktop backend brings its main loop, the queue of the main thread is served by
// whoever pumps it, as in the native tests.
IUiQueue& MainThreadUiQueue() {
    static TManualUiQueue queue;
    return queue;
}

}  // namespace vellum
