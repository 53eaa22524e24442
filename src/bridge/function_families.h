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
void RegisterThemeFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher);
// Dialogs, files, folders and base64.decodeToFile.
void RegisterDialogFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher);
void RegisterFileFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher);
void RegisterFolderFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher);
void RegisterBase64Functions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher);
// The main menu, the tray icon and the tray menu.
void RegisterMenuFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher);

}  // namespace vellum
