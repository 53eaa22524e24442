#include "bridge/browser_external_form.h"

namespace vellum {

// Until the desktop backend brings menus and a tray, the form is the object alone.
std::unique_ptr<TBrowserExternalForm> CreateBrowserExternalForm(void* /*mainWindow*/) {
    return std::make_unique<TBrowserExternalForm>();
}

}  // namespace vellum
