#include "double_host.h"

namespace vellum::webview2_double {

// In-process tests set the dispatcher themselves (their user-interface queue); without one the
// double runs work at once.
TDoubleHost::TDispatcher CreateDefaultDispatcher() {
    return {};
}

}  // namespace vellum::webview2_double
