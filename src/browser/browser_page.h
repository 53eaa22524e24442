#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vellum {

// A message a page posted, copied out of the engine's event while it ran: later work (the
// bridge's dispatch) must not depend on the engine's argument objects.
struct TPageMessage {
    std::string PlainText;  // the message when the page posted a plain string, else empty
    std::string Json;       // the message as JSON text
};

// The answer to a page's resource request.
struct TPageResource {
    int Status = 200;
    std::string Reason = "OK";
    std::string Headers;
    std::vector<std::uint8_t> Body;
};

// The engine's switches the browser form sets when the page becomes ready, in this order.
struct TPageSwitches {
    bool Script = true;
    bool StatusBar = false;
    bool WebMessages = true;
    bool BuiltInErrorPage = true;
    bool ZoomControl = false;
    bool DevTools = false;
    bool ContextMenus = false;
};

// What a page tells its host. Every call arrives on the user-interface thread, after the
// engine's own event has been read; a handler may run for as long as it likes only where the
// engine allows it (the bridge queues page messages so that nothing modal runs inside them).
class IPageEvents {
public:
    virtual ~IPageEvents() = default;
    virtual void PageReady(bool succeeded) = 0;
    virtual void PageMessageReceived(const TPageMessage& message) = 0;
    // A filtered request; nothing means the engine serves it as usual.
    virtual std::optional<TPageResource> PageResourceRequested(const std::string& uri) = 0;
    // Answers true when the host took the new window (the engine then opens none).
    virtual bool PageNewWindowRequested(const std::string& uri) = 0;
    // Answers true to allow the permission.
    virtual bool PagePermissionRequested(const std::string& uri) = 0;
    virtual void PageTitleChanged(const std::string& title) = 0;
    virtual void PageNavigationCompleted(bool succeeded) = 0;
    // A message the page wrote to its console (level "log", "info", "warn", "error", "debug"),
    // from engines that report them; the WebView2 control does not.
    virtual void PageConsoleMessage(const std::string& level, const std::string& text) {
        (void)level;
        (void)text;
    }
};

// The page as the host drives it, whatever engine shows it: the WebView2 control on Windows,
// the desktop backend's engine elsewhere. Calls are made on the user-interface thread.
class IBrowserPage {
public:
    virtual ~IBrowserPage() = default;
    // The one receiver of the page's events; a second receiver is refused.
    virtual void SetPageEvents(IPageEvents* events) = 0;
    virtual void Navigate(const std::string& url) = 0;
    // Runs a script in the top document; its result is not waited for.
    virtual void ExecuteScript(const std::string& script) = 0;
    // Posts a JSON message to the page; false when the page cannot take it now.
    virtual bool PostWebMessageAsJson(const std::string& json) = 0;
    // Registers a script that runs at the creation of every document.
    virtual void AddDocumentScript(const std::string& script) = 0;
    virtual void ApplySwitches(const TPageSwitches& switches) = 0;
    // Routes every request whose address matches the wildcard pattern to PageResourceRequested.
    virtual void FilterResources(const std::string& pattern) = 0;
    virtual double ZoomFactor() const = 0;
    virtual void SetZoomFactor(double factor) = 0;
    // Gives the keyboard focus to the page.
    virtual void SetFocus() = 0;
    // The page's window handle, for a host that must place windows around it; 0 without one.
    virtual std::uintptr_t PageWindowHandle() = 0;
};

}  // namespace vellum
