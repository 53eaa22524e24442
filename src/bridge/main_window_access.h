#pragma once

#include "bridge/browser_external_module.h"
#include "core/errors.h"

namespace vellum {

// The module's main window; a host without one cannot serve the window functions, and the
// error leaves the dispatcher (the page gets no answer).
inline IAppMainWindow& MainWindowOf(TBrowserExternalModule& module) {
    if (module.MainForm == nullptr) throw EVellumError("The bridge has no main window");
    return *module.MainForm;
}

}  // namespace vellum
