#pragma once

namespace vellum {

class TBrowserExternalModule;
class TBridgeDispatcher;

// Each family registers its functions with the module's dispatcher.
void RegisterLibraryFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher);
void RegisterAppFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher);
void RegisterWindowFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher);
void RegisterNotificationFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher);
void RegisterShellFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher);
void RegisterSystemFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher);
void RegisterRegistryFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher);

}  // namespace vellum
