#pragma once

// The runtime's COM objects as the WebView2 test double plays them.

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "double_host.h"
#include "webview2/com_object.h"
#include "webview2/webview2_abi.h"

namespace vellum::webview2_double {

using namespace vellum::webview2;

// Counts the double's live objects, so that tests can prove every one was released.
class TLiveCount {
public:
    TLiveCount() { ++TDoubleHost::Instance().LiveObjects; }
    ~TLiveCount() { --TDoubleHost::Instance().LiveObjects; }
    TLiveCount(const TLiveCount&) = delete;
    TLiveCount& operator=(const TLiveCount&) = delete;
};

template <class... TInterfaces>
class TDoubleObject : public TComObject<TInterfaces...> {
private:
    TLiveCount count_;
};

// The handlers added for one event, each under the token its add_ call returned.
template <class THandler>
class TEventSource {
public:
    explicit TEventSource(std::string name) : name_(std::move(name)) {}
    ~TEventSource() { Clear(); }

    HRESULT Add(THandler* handler, EventRegistrationToken* token);
    HRESULT Remove(EventRegistrationToken token);
    // Calls every handler added, in order, with the arguments given.
    template <class... TArguments>
    void Raise(TArguments... arguments) {
        std::vector<TComPtr<THandler>> handlers;
        for (auto& entry : handlers_) handlers.push_back(entry.second);
        for (auto& handler : handlers) handler->Invoke(arguments...);
    }
    std::size_t Count() const { return handlers_.size(); }
    void Clear();

private:
    std::string name_;
    std::vector<std::pair<std::int64_t, TComPtr<THandler>>> handlers_;
};

std::int64_t NextToken();

template <class THandler>
HRESULT TEventSource<THandler>::Add(THandler* handler, EventRegistrationToken* token) {
    if (handler == nullptr || token == nullptr) return E_POINTER;
    token->value = NextToken();
    handlers_.emplace_back(token->value, TComPtr<THandler>(handler));
    ++TDoubleHost::Instance().HeldHandlers;
    TDoubleHost::Instance().Record("add_handler", {{"name", name_}, {"token", token->value}});
    return S_OK;
}

template <class THandler>
HRESULT TEventSource<THandler>::Remove(EventRegistrationToken token) {
    for (auto it = handlers_.begin(); it != handlers_.end(); ++it) {
        if (it->first != token.value) continue;
        handlers_.erase(it);
        --TDoubleHost::Instance().HeldHandlers;
        TDoubleHost::Instance().Record("remove_handler", {{"name", name_}, {"token", token.value}});
        return S_OK;
    }
    TDoubleHost::Instance().Record("remove_unknown_handler", {{"name", name_}, {"token", token.value}});
    return S_OK;
}

template <class THandler>
void TEventSource<THandler>::Clear() {
    TDoubleHost::Instance().HeldHandlers -= static_cast<int>(handlers_.size());
    handlers_.clear();
}

class TDoubleController;

class TDoubleSettings final : public TDoubleObject<ICoreWebView2Settings> {
public:
    HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* value) override { return Get("IsScriptEnabled", value); }
    HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL value) override { return Put("IsScriptEnabled", value); }
    HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL* value) override {
        return Get("IsWebMessageEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL value) override { return Put("IsWebMessageEnabled", value); }
    HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL* value) override {
        return Get("AreDefaultScriptDialogsEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL value) override {
        return Put("AreDefaultScriptDialogsEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL* value) override { return Get("IsStatusBarEnabled", value); }
    HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL value) override { return Put("IsStatusBarEnabled", value); }
    HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL* value) override { return Get("AreDevToolsEnabled", value); }
    HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL value) override { return Put("AreDevToolsEnabled", value); }
    HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL* value) override {
        return Get("AreDefaultContextMenusEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL value) override {
        return Put("AreDefaultContextMenusEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL* value) override {
        return Get("AreHostObjectsAllowed", value);
    }
    HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL value) override {
        return Put("AreHostObjectsAllowed", value);
    }
    HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL* value) override {
        return Get("IsZoomControlEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL value) override {
        return Put("IsZoomControlEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL* value) override {
        return Get("IsBuiltInErrorPageEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL value) override {
        return Put("IsBuiltInErrorPageEnabled", value);
    }

private:
    HRESULT Get(const char* name, BOOL* value);
    HRESULT Put(const char* name, BOOL value);
    std::map<std::string, BOOL> switches_;
};

class TDoubleWebView final : public TDoubleObject<ICoreWebView2> {
public:
    TDoubleWebView();
    ~TDoubleWebView() override;

    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override;
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
    HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR htmlContent) override;
    HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* h,
                                                     EventRegistrationToken* t) override {
        return navigationStarting_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken t) override {
        return navigationStarting_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_ContentLoading(ICoreWebView2ContentLoadingEventHandler* h,
                                                 EventRegistrationToken* t) override {
        return contentLoading_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken t) override {
        return contentLoading_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_SourceChanged(ICoreWebView2SourceChangedEventHandler* h,
                                                EventRegistrationToken* t) override {
        return sourceChanged_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken t) override {
        return sourceChanged_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler* h,
                                                 EventRegistrationToken* t) override {
        return historyChanged_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_HistoryChanged(EventRegistrationToken t) override {
        return historyChanged_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* h,
                                                      EventRegistrationToken* t) override {
        return navigationCompleted_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken t) override {
        return navigationCompleted_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler* h,
                                                          EventRegistrationToken* t) override {
        return frameNavigationStarting_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_FrameNavigationStarting(EventRegistrationToken t) override {
        return frameNavigationStarting_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* h,
                                                           EventRegistrationToken* t) override {
        return frameNavigationCompleted_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_FrameNavigationCompleted(EventRegistrationToken t) override {
        return frameNavigationCompleted_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler* h,
                                                      EventRegistrationToken* t) override {
        return scriptDialogOpening_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(EventRegistrationToken t) override {
        return scriptDialogOpening_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* h,
                                                      EventRegistrationToken* t) override {
        return permissionRequested_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventRegistrationToken t) override {
        return permissionRequested_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* h,
                                                EventRegistrationToken* t) override {
        return processFailed_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken t) override {
        return processFailed_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR javaScript,
                                            ICoreWebView2ExecuteScriptCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat,
                                             IStream* imageStream,
                                             ICoreWebView2CapturePreviewCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE Reload() override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) override;
    HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* h,
                                                     EventRegistrationToken* t) override {
        return webMessageReceived_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken t) override {
        return webMessageReceived_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE
    CallDevToolsProtocolMethod(LPCWSTR, LPCWSTR, ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) override;
    HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* canGoBack) override;
    HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* canGoForward) override;
    HRESULT STDMETHODCALLTYPE GoBack() override;
    HRESULT STDMETHODCALLTYPE GoForward() override;
    HRESULT STDMETHODCALLTYPE
    GetDevToolsProtocolEventReceiver(LPCWSTR eventName, ICoreWebView2DevToolsProtocolEventReceiver** receiver) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* h,
                                                     EventRegistrationToken* t) override {
        return newWindowRequested_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken t) override {
        return newWindowRequested_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* h,
                                                       EventRegistrationToken* t) override {
        return documentTitleChanged_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_DocumentTitleChanged(EventRegistrationToken t) override {
        return documentTitleChanged_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) override;
    HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() override;
    HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(
        ICoreWebView2ContainsFullScreenElementChangedEventHandler* h, EventRegistrationToken* t) override {
        return containsFullScreenElementChanged_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_ContainsFullScreenElementChanged(EventRegistrationToken t) override {
        return containsFullScreenElementChanged_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* h,
                                                       EventRegistrationToken* t) override {
        return webResourceRequested_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_WebResourceRequested(EventRegistrationToken t) override {
        return webResourceRequested_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE
    AddWebResourceRequestedFilter(const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) override;
    HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) override;
    HRESULT STDMETHODCALLTYPE add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* h,
                                                       EventRegistrationToken* t) override {
        return windowCloseRequested_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventRegistrationToken t) override {
        return windowCloseRequested_.Remove(t);
    }

    // What scenario actions do to the page.
    void SetController(TDoubleController* controller) { controller_ = controller; }
    TDoubleController* Controller() const { return controller_; }
    void Play(const nlohmann::json& action);
    // The browser is closed with its controller: it drops its handlers and stops playing.
    void Close();
    // Everything the double still holds of the host (handlers), released.
    std::size_t HandlerCount() const;

private:
    void RunNavigation(const std::string& uri, std::optional<std::string> inlineDocument);
    std::optional<std::string> RequestResource(const std::string& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                                               int* status);
    bool FilterMatches(const std::string& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) const;
    void SetTitle(const std::string& title);
    void RaiseNavigationCompleted(bool success, COREWEBVIEW2_WEB_ERROR_STATUS status, std::uint64_t id);

    TComPtr<TDoubleSettings> settings_;
    TDoubleController* controller_ = nullptr;
    bool closed_ = false;
    std::string source_ = "about:blank";
    std::string title_;
    std::vector<std::string> history_;
    std::size_t historyIndex_ = 0;
    bool containsFullScreenElement_ = false;
    std::uint64_t navigationId_ = 0;
    int documentScripts_ = 0;
    std::vector<std::pair<std::string, COREWEBVIEW2_WEB_RESOURCE_CONTEXT>> filters_;
    std::map<std::string, TComPtr<ICoreWebView2DevToolsProtocolEventReceiver>> receivers_;

    TEventSource<ICoreWebView2NavigationStartingEventHandler> navigationStarting_{"NavigationStarting"};
    TEventSource<ICoreWebView2ContentLoadingEventHandler> contentLoading_{"ContentLoading"};
    TEventSource<ICoreWebView2SourceChangedEventHandler> sourceChanged_{"SourceChanged"};
    TEventSource<ICoreWebView2HistoryChangedEventHandler> historyChanged_{"HistoryChanged"};
    TEventSource<ICoreWebView2NavigationCompletedEventHandler> navigationCompleted_{"NavigationCompleted"};
    TEventSource<ICoreWebView2NavigationStartingEventHandler> frameNavigationStarting_{"FrameNavigationStarting"};
    TEventSource<ICoreWebView2NavigationCompletedEventHandler> frameNavigationCompleted_{"FrameNavigationCompleted"};
    TEventSource<ICoreWebView2ScriptDialogOpeningEventHandler> scriptDialogOpening_{"ScriptDialogOpening"};
    TEventSource<ICoreWebView2PermissionRequestedEventHandler> permissionRequested_{"PermissionRequested"};
    TEventSource<ICoreWebView2ProcessFailedEventHandler> processFailed_{"ProcessFailed"};
    TEventSource<ICoreWebView2WebMessageReceivedEventHandler> webMessageReceived_{"WebMessageReceived"};
    TEventSource<ICoreWebView2NewWindowRequestedEventHandler> newWindowRequested_{"NewWindowRequested"};
    TEventSource<ICoreWebView2DocumentTitleChangedEventHandler> documentTitleChanged_{"DocumentTitleChanged"};
    TEventSource<ICoreWebView2ContainsFullScreenElementChangedEventHandler> containsFullScreenElementChanged_{
        "ContainsFullScreenElementChanged"};
    TEventSource<ICoreWebView2WebResourceRequestedEventHandler> webResourceRequested_{"WebResourceRequested"};
    TEventSource<ICoreWebView2WindowCloseRequestedEventHandler> windowCloseRequested_{"WindowCloseRequested"};
};

class TDoubleController final : public TDoubleObject<ICoreWebView2Controller> {
public:
    explicit TDoubleController(HWND parent);
    ~TDoubleController() override;

    HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) override;
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) override;
    HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) override;
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override;
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) override;
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) override;
    HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* h,
                                                    EventRegistrationToken* t) override {
        return zoomFactorChanged_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken t) override {
        return zoomFactorChanged_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) override;
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
    HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* h,
                                                     EventRegistrationToken* t) override {
        return moveFocusRequested_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken t) override {
        return moveFocusRequested_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_GotFocus(ICoreWebView2FocusChangedEventHandler* h,
                                           EventRegistrationToken* t) override {
        return gotFocus_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken t) override { return gotFocus_.Remove(t); }
    HRESULT STDMETHODCALLTYPE add_LostFocus(ICoreWebView2FocusChangedEventHandler* h,
                                            EventRegistrationToken* t) override {
        return lostFocus_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken t) override { return lostFocus_.Remove(t); }
    HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* h,
                                                        EventRegistrationToken* t) override {
        return acceleratorKeyPressed_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventRegistrationToken t) override {
        return acceleratorKeyPressed_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) override;
    HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) override;
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) override;

    void Play(const nlohmann::json& action);

private:
    TComPtr<TDoubleWebView> view_;
    HWND parent_;
    bool closed_ = false;
    BOOL visible_ = TRUE;
    RECT bounds_{};
    double zoom_ = 1.0;
    TEventSource<ICoreWebView2ZoomFactorChangedEventHandler> zoomFactorChanged_{"ZoomFactorChanged"};
    TEventSource<ICoreWebView2MoveFocusRequestedEventHandler> moveFocusRequested_{"MoveFocusRequested"};
    TEventSource<ICoreWebView2FocusChangedEventHandler> gotFocus_{"GotFocus"};
    TEventSource<ICoreWebView2FocusChangedEventHandler> lostFocus_{"LostFocus"};
    TEventSource<ICoreWebView2AcceleratorKeyPressedEventHandler> acceleratorKeyPressed_{"AcceleratorKeyPressed"};
};

class TDoubleEnvironment final : public TDoubleObject<ICoreWebView2Environment> {
public:
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream* content, int statusCode, LPCWSTR reasonPhrase,
                                                        LPCWSTR headers,
                                                        ICoreWebView2WebResourceResponse** response) override;
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) override;
    HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(ICoreWebView2NewBrowserVersionAvailableEventHandler* h,
                                                             EventRegistrationToken* t) override {
        return newBrowserVersionAvailable_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_NewBrowserVersionAvailable(EventRegistrationToken t) override {
        return newBrowserVersionAvailable_.Remove(t);
    }

private:
    TEventSource<ICoreWebView2NewBrowserVersionAvailableEventHandler> newBrowserVersionAvailable_{
        "NewBrowserVersionAvailable"};
};

// The loader's environment request: a failure at once, or one later completion from a thread
// of the double's own.
HRESULT CreateEnvironment(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

}  // namespace vellum::webview2_double
