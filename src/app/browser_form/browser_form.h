#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "browser/edge_browser.h"

namespace vellum {

class TZipArchive;

// What the browser form needs from the desktop and the running program.
class IBrowserFormPlatform {
public:
    virtual ~IBrowserFormPlatform() = default;
    virtual void HideProgressBar() = 0;
    // Gives the keyboard focus to the window `levels` above the form.
    virtual void FocusWindowAbove(int levels) = 0;
    // Starts the running executable again with this parameter string.
    virtual void StartNewInstance(const std::string& parameters) = 0;
    // The whole file at a path, or nothing when it does not exist or cannot be read.
    virtual std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) = 0;
    // The bridge library resource (VLM_EXTERNAL_JAVASCRIPT) as stored: UTF-8 bytes.
    virtual std::string LibraryScript() = 0;
    virtual char PathDelimiter() const = 0;
};

// The page side of the main window: one browser control, configured when it is ready, fed
// the page script, serving "file:///" requests from the archive, then the executable's folder,
// then the absolute path, and turning links that open a new window into new instances.
class TBrowserForm {
public:
    // Creation: clears the settings, sets AppDirPath and attaches the form's handlers. Giving
    // the control its parent window (the platform form does) starts the browser.
    TBrowserForm(TEdgeBrowser& browser, IBrowserFormPlatform& platform, std::string appDirPath);
    TBrowserForm(const TBrowserForm&) = delete;
    TBrowserForm& operator=(const TBrowserForm&) = delete;

    TEdgeBrowser& EdgeBrowser() { return FEdgeBrowser; }

    // The text registered to run at the start of every document.
    std::string PageScript() const;

    const TZipArchive* ExeZip = nullptr;
    bool IsRuntime = false;
    std::string RuntimeAppID;
    bool WithExternal = false;
    std::string AppDirName;
    std::string AppDirPath;
    bool AllowDebug = false;
    bool AllowZoom = false;
    std::string WebviewJavascript;
    bool AllowContextMenu = false;
    std::string StartPageURL;
    bool HandleRequests = false;

private:
    void BrowserReady(webview2::HRESULT result);
    void NavigationCompleted();
    void NewWindowRequested(TNewWindowRequestedEventArgs& args);
    void PermissionRequested(TPermissionRequestedEventArgs& args);
    void WebMessageReceived(TWebMessageReceivedEventArgs& args);
    void WebResourceRequested(TWebResourceRequestedEventArgs& args);
    std::optional<std::vector<std::uint8_t>> FindResource(const std::string& uri, std::string& type);
    void Answer(TWebResourceRequestedEventArgs& args, std::vector<std::uint8_t> bytes, const std::string& type);

    TEdgeBrowser& FEdgeBrowser;
    IBrowserFormPlatform& platform_;
};

}  // namespace vellum
