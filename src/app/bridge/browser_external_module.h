#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "browser/edge_browser.h"

namespace vellum {

class TZipArchive;
class TAppSettings;
class TBrowserForm;

// What the bridge's window functions will reach of the main window; its families add to it.
class IAppMainWindow {
public:
    virtual ~IAppMainWindow() = default;
};

// What the bridge needs from the desktop: focus moves and message boxes.
class IBridgePlatform {
public:
    virtual ~IBridgePlatform() = default;
    // Gives the keyboard focus to the window `levels` above the browser control's window.
    virtual void FocusWindowAbove(TCustomEdgeBrowser& browser, int levels) = 0;
    // A modal box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
};

// The never-shown form that holds the main menu, the tray icon and the tray menu, so that they
// scale with the display. On Windows it is a hidden top-level window.
class TBrowserExternalForm {
public:
    static constexpr const char* kCaption = "[Not visible form: intended to be used to place DPI aware controls]";
    virtual ~TBrowserExternalForm() = default;
    std::function<void()> OnTrayIconClick;
};

// The platform's form: created with no owner by the module, never shown.
std::unique_ptr<TBrowserExternalForm> CreateBrowserExternalForm();

// The host side of the bridge: page requests arrive as web messages, are dispatched by their
// function identifier, and answered with a message carrying the request's uuid.
class TBrowserExternalModule {
public:
    using TNotifyEvent = std::function<void(TBrowserExternalModule* Sender)>;

    explicit TBrowserExternalModule(IBridgePlatform& platform);
    ~TBrowserExternalModule();
    TBrowserExternalModule(const TBrowserExternalModule&) = delete;
    TBrowserExternalModule& operator=(const TBrowserExternalModule&) = delete;

    // The dispatcher, installed as the browser control's web-message handler.
    void EdgeBrowserWebMessageReceived(TCustomEdgeBrowser* Sender, TWebMessageReceivedEventArgs& Args);

    void PostAnswer(const std::string& uuid, const std::string& result, bool success);
    void PostSuccess(const std::string& uuid, const std::string& result) { PostAnswer(uuid, result, true); }
    void PostFailure(const std::string& uuid, const std::string& result) { PostAnswer(uuid, result, false); }
    // Runs a page-event script, for example "vlm.events.onCloseQuery();".
    void RunPageScript(const std::string& script);

    IAppMainWindow* MainForm = nullptr;
    const TZipArchive* ExeZip = nullptr;  // unassigned: preview mode
    bool InFullscreen = false;
    const TAppSettings* ProjectINI = nullptr;
    TBrowserForm* BrowserForm = nullptr;
    TNotifyEvent OnAppCloseRequest;

    TBrowserExternalForm& BrowserExternalForm() { return *FBrowserExternalForm; }

private:
    struct THandler {
        bool TakesData;
        std::function<void(const std::string& uuid, const nlohmann::json& data)> Run;
    };
    // The five references the module holds and does not own.
    void ClearReferences();
    void DataModuleCreate();
    void DataModuleDestroy();
    void RegisterHandlers();

    // Library and app functions.
    void Hello(const std::string& uuid);
    void IsRuntime(const std::string& uuid);
    void AppClose(const std::string& uuid);

    IBridgePlatform& platform_;
    std::unique_ptr<TBrowserExternalForm> FBrowserExternalForm;
    std::map<std::int32_t, THandler> handlers_;
};

// The page-event script for a notification click: the name as the content of a JavaScript
// double-quoted string literal.
std::string NotificationClickScript(const std::string& notificationName);

}  // namespace vellum
