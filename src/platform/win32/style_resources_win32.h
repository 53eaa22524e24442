#pragma once

#include <windows.h>

#include "core/styles/style_manager.h"

namespace vellum {

// Registers every resource of type "VCLSTYLE" the module carries with the manager, under the
// name stored inside it; damaged ones are skipped. Returns how many were registered.
int RegisterModuleStyles(TStyleManager& manager, HMODULE module);

// The executable's styles, registered on the first call of the process.
void RegisterExecutableStylesOnce();

}  // namespace vellum
