#pragma once

#include "browser/webkit/web_extension_install.h"

namespace vellum {

// The runtime's icon file (resources/vellum.ico), compiled in: an ELF image carries no icon
// resource, so the main window and the tray icon show this one.
TEmbeddedBytes RuntimeIconFile();

}  // namespace vellum
