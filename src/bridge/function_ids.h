#pragma once

#include <array>
#include <cstdint>

namespace vellum {

// The host functions a page can call, by the identifier its request carries. The page library
// (resources/vlm.js) and its declarations use the same numbers.
enum class TFunctionId : std::int32_t {
    Hello = 10001,
    IsRuntime = 10002,
    DialogsOpenFile = 20001,
    DialogsSaveFile = 20002,
    DialogsSelFolder = 20003,
    FilesFileExists = 30001,
    FilesDeleteFile = 30002,
    FilesWriteTextFile = 30003,
    FilesExtractFile = 30004,
    FoldersDirExists = 40001,
    FoldersCreateDir = 40002,
    FoldersDeleteDir = 40003,
    FoldersListFiles = 40004,
    FoldersGetTempDir = 40005,
    FoldersGetUserDocumentsDir = 40006,
    FoldersGetUserDesktopDir = 40007,
    FoldersGetAppExecutableDir = 40008,
    FoldersGetAppDataDir = 40009,
    AppClose = 50001,
    AppInFullscreen = 50002,
    AppEnterFullscreen = 50003,
    AppExitFullscreen = 50004,
    AppGetArgs = 50005,
    AppNavigate = 50006,
    WindowGetStyle = 60001,
    WindowSetStyle = 60002,
    WindowGetState = 60003,
    WindowSetState = 60004,
    WindowGetTitle = 60005,
    WindowSetTitle = 60006,
    WindowGetZoom = 60007,
    WindowSetZoom = 60008,
    WindowGetSize = 60009,
    WindowSetSize = 60010,
    WindowGetBorder = 60011,
    WindowSetBorder = 60012,
    ShellExecute = 70001,
    ShellExplore = 70002,
    ShellCommand = 70003,
    ShellWindows = 70004,
    ThemesGetTheme = 80001,
    ThemesGetThemes = 80002,
    ThemesSetTheme = 80003,
    Base64DecodeToFile = 90001,
    SystemLogoff = 11001,
    SystemReboot = 11002,
    SystemShutdown = 11003,
    SystemMacAddresses = 11004,
    SystemNotification = 11005,
    MainMenuSetItems = 12001,
    MainMenuUpdateItem = 12002,
    RegistryWriteValue = 13001,
    RegistryReadValue = 13002,
    RegistryValueExist = 13003,
    RegistryDeleteValue = 13004,
    RegistryKeyExist = 13005,
    RegistryDeleteKey = 13006,
    TrayMenuShowIcon = 14001,
    TrayMenuHideIcon = 14002,
    TrayMenuSetItems = 14003,
    TrayMenuUpdateItem = 14004,
};

struct TFunctionInfo {
    TFunctionId Id;
    const char* Member;  // the member of window.vlm, for example "app.getArgs"
    bool TakesData;      // the library passes the page's argument object (else {})
    bool RuntimeOnly;    // refuses to run without an attached archive
};

// Every function, in the library's order.
extern const std::array<TFunctionInfo, 61> kFunctionTable;

// The entry of an identifier; nullptr for a number no function has.
const TFunctionInfo* FindFunction(std::int32_t id);

}  // namespace vellum
