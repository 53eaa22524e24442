#include "double_host.h"

namespace vellum::webview2_double {

// In-process tests bind their own dispatcher (their user-interface queue) on the thread that
// pumps it; a thread without one never gets the events and completions of its objects.
TDoubleHost::TThreadQueue CreateDefaultDispatcher() {
    return {};
}

}  // namespace vellum::webview2_double
