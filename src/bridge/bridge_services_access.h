#pragma once

#include "bridge/browser_external_module.h"
#include "core/errors.h"

namespace vellum {

// The module's services; a host created without one cannot serve its functions, and the error
// leaves the dispatcher (the page gets no answer).
inline IFileDialogService& FileDialogsOf(const TBrowserExternalModule& module) {
    if (module.Services().FileDialogs == nullptr) throw EVellumError("The file dialogs are not available");
    return *module.Services().FileDialogs;
}

inline IShellService& ShellOf(const TBrowserExternalModule& module) {
    if (module.Services().Shell == nullptr) throw EVellumError("The bridge has no shell service");
    return *module.Services().Shell;
}

inline IStyleService& StylesOf(const TBrowserExternalModule& module) {
    if (module.Services().Styles == nullptr) throw EVellumError("The bridge has no style service");
    return *module.Services().Styles;
}

inline IRegistryService& RegistryOf(const TBrowserExternalModule& module) {
    if (module.Services().Registry == nullptr) throw EVellumError("The bridge has no registry service");
    return *module.Services().Registry;
}

inline IMenuService& MenusOf(TBrowserExternalModule& module) {
    IMenuService* menus = module.BrowserExternalForm().Menus();
    if (menus == nullptr) throw EVellumError("The bridge has no menus");
    return *menus;
}

}  // namespace vellum
