#include "tools/pack/settings_keys.h"

#include "core/text/ascii_case.h"

namespace vellum::pack {

using enum TSettingsKeyType;

const std::array<TSettingsKey, 29> kSettingsKeys = {{
    {"ID", String, "", true, "identity: names the data folder and the single-instance lock; one plain folder name"},
    {"Name", String, "", true, "display name: the window's title and the password prompt's caption"},
    {"DirName", String, "", true, "the folder of this project that holds the app's pages"},
    {"IndexHtml", String, "index.html", false, "start page, a path inside the DirName folder"},
    {"Theme", String, "Windows", false, "visual style of the native parts; Windows keeps the system's look"},
    {"WebviewArguments", String, "", false, "extra switches for the browser engine; blank uses a built-in list"},
    {"EdgeInstaller", Boolean, "1", false, "1: offer to install a missing WebView2 runtime; 0: report and end"},
    {"InstallFormColor", Integer, "0xFF00001A", false,
     "background of the window shown while WebView2 installs (0x00BBGGRR, or 0xFF0000nn for a system colour)"},
    {"InstallIndicatorColor", Integer, "1", false, "colour of the busy animation during installation: 0 black, 1 white"},
    {"InstallIndicatorType", Integer, "0", false, "busy animation: 0 momentum dots, 1 rotating sector, 2 sector ring"},
    {"Password", String, "", false, "when set, the password the user must type before the app starts"},
    {"AllowInstances", Boolean, "0", false, "0: one copy runs at a time; 1: any number of copies"},
    {"AllowDebug", Boolean, "0", false, "1: the browser's developer tools are enabled"},
    {"AllowZoom", Boolean, "0", false, "1: the browser's zoom control is enabled"},
    {"AllowContextMenu", Boolean, "0", false, "1: the browser's default context menus are enabled"},
    {"Top", Integer, "50", false, "top edge of the window in pixels (used when WindowPosition is not 0)"},
    {"Left", Integer, "50", false, "left edge of the window in pixels (used when WindowPosition is not 0)"},
    {"Width", Integer, "800", false, "width of the window in pixels"},
    {"Height", Integer, "600", false, "height of the window in pixels"},
    {"MaxWidth", Integer, "0", false, "largest width the user can give the window; 0 sets no limit"},
    {"MaxHeight", Integer, "0", false, "largest height; 0 sets no limit"},
    {"MinWidth", Integer, "0", false, "smallest width; 0 sets no limit"},
    {"MinHeight", Integer, "0", false, "smallest height; 0 sets no limit"},
    {"WindowPosition", Integer, "0", false, "0: the window is centred on the desktop; other values: the system places it"},
    {"WindowStyle", Integer, "0", false, "1: full screen without a border; other values: a normal window"},
    {"WindowBorder", Integer, "2", false,
     "border: 0 none, 1 single (fixed size), 2 sizeable, 3 dialog, 4 tool window, 5 sizeable tool window"},
    {"WindowState", Integer, "0", false, "1: the window starts maximised; other values: normal"},
    {"WindowOrder", Integer, "0", false, "1: the window stays on top of other windows; other values: normal order"},
    {"DynamicAppTitle", Boolean, "0", false, "1: the window's title follows the title of the page shown"},
}};

const TSettingsKey* FindSettingsKey(std::string_view name) {
    for (const TSettingsKey& key : kSettingsKeys)
        if (EqualIgnoringAsciiCase(key.Name, name)) return &key;
    return nullptr;
}

}  // namespace vellum::pack
