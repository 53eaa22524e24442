#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/browser_form/page_trace.h"
#include "browser/browser_page.h"

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

// The page side of the main window: one browser page, configured when it is ready, fed the
// page script, serving "file:///" requests from the archive, then the executable's folder,
// then the absolute path, and turning links that open a new window into new instances. It is
// the one receiver of the page's events and works through the engine-neutral page seam.
class TBrowserForm final : private IPageEvents {
public:
    // Creation: clears the settings, sets AppDirPath and receives the page's events. Giving the
    // browser control its parent window (the platform form does) starts the browser.
    TBrowserForm(IBrowserPage& page, IBrowserFormPlatform& platform, std::string appDirPath);
    ~TBrowserForm() override;
    TBrowserForm(const TBrowserForm&) = delete;
    TBrowserForm& operator=(const TBrowserForm&) = delete;

    // The page the form and the bridge drive: the engine's, or with VELLUM_TRACE set, the
    // same page seen through the trace.
    IBrowserPage& Page() { return FPage; }

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
    // Preview mode: the folder of the project's pages. When set, "file:///" requests are
    // answered from inside it alone, never from the executable's folder or an absolute path.
    std::string PreviewFolder;

    // Who takes the page's messages (the bridge); without one the form handles the preview
    // click itself. Set once, by the window that wires the bridge.
    std::function<void(const TPageMessage& message)> OnPageMessage;
    std::function<void(const std::string& title)> OnPageTitleChanged;

private:
    void PageReady(bool succeeded) override;
    void PageMessageReceived(const TPageMessage& message) override;
    std::optional<TPageResource> PageResourceRequested(const std::string& uri) override;
    bool PageNewWindowRequested(const std::string& uri) override;
    bool PagePermissionRequested(const std::string& uri) override;
    void PageTitleChanged(const std::string& title) override;
    void PageNavigationCompleted(bool succeeded) override;
    std::optional<std::vector<std::uint8_t>> FindResource(const std::string& uri, std::string& type);

    std::unique_ptr<TTracingPage> tracing_;  // before FPage, which may refer to it
    IBrowserPage& FPage;
    IBrowserFormPlatform& platform_;
};

}  // namespace vellum
