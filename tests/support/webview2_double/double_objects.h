#pragma once

// The runtime's COM objects as the WebView2 test double plays them.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
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

// Host code of one browser (its event handlers and completion handlers) runs one call at a
// time: whatever the double would run while a host handler of the browser is still running (a
// nested message loop or modal box in the handler pumps the double's work, or a host call in
// the handler would raise an event at once) is held, recorded as {"event": "event_held",
// "name": ...}, and run in order once the outermost handler has returned. Used on the
// browser's own thread only.
class TEventGate {
public:
    using TWork = std::function<void()>;
    // Calls host code (`call` invokes handlers) now, or holds it while a host handler runs.
    void Call(const std::string& name, TWork call);
    // Runs the double's own work that raises events (a navigation, a page action) now, or holds
    // it while a host handler runs.
    void Run(const std::string& name, TWork work);
    bool HostCodeRunning() const { return running_ > 0; }
    // The browser is closed: what is held is dropped.
    void Drop() { held_.clear(); }

private:
    void Hold(const std::string& name, TWork work);
    void RunHeld();

    int running_ = 0;
    bool releasing_ = false;
    std::deque<TWork> held_;
};

// Every interface method of the double's objects starts with this line: a call from a thread
// other than the one that created the object answers RPC_E_WRONG_THREAD, does nothing else and
// is recorded. AddRef, Release and QueryInterface stay free-threaded.
#define VELLUM_DOUBLE_OWNER_THREAD_ONLY()                                                   \
    do {                                                                                    \
        if (!this->OnOwnerThread(__func__, __PRETTY_FUNCTION__)) return RPC_E_WRONG_THREAD; \
    } while (false)

template <class... TInterfaces>
class TDoubleObject : public TComObject<TInterfaces...> {
public:
    // The thread that created the object: the only one its methods answer on, and the one its
    // events and completions are delivered to.
    std::uint64_t OwnerThread() const { return owner_; }

protected:
    bool OnOwnerThread(const char* method, const char* signature) const {
        return TDoubleHost::Instance().CheckOwnerThread(owner_, method, signature);
    }
    // Hands work to the owner thread's dispatcher (recorded as undeliverable when it has none).
    bool PostToOwner(const std::string& what, TDoubleHost::TWork work, int delayMilliseconds = 0) const {
        return TDoubleHost::Instance().DispatchTo(owner_, what, std::move(work), delayMilliseconds);
    }

private:
    TLiveCount count_;
    const std::uint64_t owner_ = TDoubleHost::CurrentThread();
};

// A reference on each argument of an event that may be held.
template <class T>
TComPtr<T> KeepArgument(T* argument) {
    return TComPtr<T>(argument);
}

// The handlers added for one event, each under the token its add_ call returned. Raising goes
// through the browser's gate (none for the environment's own event).
template <class THandler>
class TEventSource {
public:
    TEventSource(std::string name, TEventGate* gate) : name_(std::move(name)), gate_(gate) {}
    ~TEventSource() { Clear(); }

    HRESULT Add(THandler* handler, EventRegistrationToken* token);
    HRESULT Remove(EventRegistrationToken token);
    // Calls every handler added, in order, with the arguments given; then `then` (what the
    // double records of the host's answer). Held, with references on the arguments, while a
    // host handler of the browser runs; the handlers called are those added when it runs.
    template <class... TArguments>
    void RaiseThen(std::function<void()> then, TArguments... arguments) {
        auto kept = std::make_tuple(KeepArgument(arguments)...);
        auto call = [this, kept = std::move(kept), then = std::move(then)] {
            std::vector<TComPtr<THandler>> handlers;
            for (auto& entry : handlers_) handlers.push_back(entry.second);
            std::apply(
                [&](const auto&... argument) {
                    for (auto& handler : handlers) handler->Invoke(argument.Get()...);
                },
                kept);
            if (then) then();
        };
        if (gate_ != nullptr)
            gate_->Call(name_, std::move(call));
        else
            call();
    }
    template <class... TArguments>
    void Raise(TArguments... arguments) {
        RaiseThen({}, arguments...);
    }
    std::size_t Count() const { return handlers_.size(); }
    void Clear();

private:
    std::string name_;
    TEventGate* gate_;
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
    HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Get("IsScriptEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Put("IsScriptEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Get("IsWebMessageEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Put("IsWebMessageEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Get("AreDefaultScriptDialogsEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Put("AreDefaultScriptDialogsEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Get("IsStatusBarEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Put("IsStatusBarEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Get("AreDevToolsEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Put("AreDevToolsEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Get("AreDefaultContextMenusEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Put("AreDefaultContextMenusEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Get("AreHostObjectsAllowed", value);
    }
    HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Put("AreHostObjectsAllowed", value);
    }
    HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Get("IsZoomControlEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Put("IsZoomControlEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Get("IsBuiltInErrorPageEnabled", value);
    }
    HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
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
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return navigationStarting_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return navigationStarting_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_ContentLoading(ICoreWebView2ContentLoadingEventHandler* h,
                                                 EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return contentLoading_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return contentLoading_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_SourceChanged(ICoreWebView2SourceChangedEventHandler* h,
                                                EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return sourceChanged_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return sourceChanged_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler* h,
                                                 EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return historyChanged_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_HistoryChanged(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return historyChanged_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* h,
                                                      EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return navigationCompleted_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return navigationCompleted_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler* h,
                                                          EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return frameNavigationStarting_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_FrameNavigationStarting(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return frameNavigationStarting_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* h,
                                                           EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return frameNavigationCompleted_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_FrameNavigationCompleted(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return frameNavigationCompleted_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler* h,
                                                      EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return scriptDialogOpening_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return scriptDialogOpening_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* h,
                                                      EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return permissionRequested_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return permissionRequested_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* h,
                                                EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return processFailed_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
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
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return webMessageReceived_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return webMessageReceived_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE
    CallDevToolsProtocolMethod(LPCWSTR, LPCWSTR, ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
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
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return newWindowRequested_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return newWindowRequested_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* h,
                                                       EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return documentTitleChanged_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_DocumentTitleChanged(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return documentTitleChanged_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) override;
    HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR, VARIANT*) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() override;
    HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(
        ICoreWebView2ContainsFullScreenElementChangedEventHandler* h, EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return containsFullScreenElementChanged_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_ContainsFullScreenElementChanged(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return containsFullScreenElementChanged_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* h,
                                                       EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return webResourceRequested_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_WebResourceRequested(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return webResourceRequested_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE
    AddWebResourceRequestedFilter(const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) override;
    HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) override;
    HRESULT STDMETHODCALLTYPE add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* h,
                                                       EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return windowCloseRequested_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return windowCloseRequested_.Remove(t);
    }

    // What scenario actions do to the page.
    void SetController(TDoubleController* controller) { controller_ = controller; }
    TDoubleController* Controller() const { return controller_; }
    // Plays a scenario action (held while a host handler of the browser runs).
    void Play(const nlohmann::json& action);
    // The browser is closed with its controller: it drops its handlers and stops playing.
    void Close();
    // Everything the double still holds of the host (handlers), released.
    std::size_t HandlerCount() const;
    // The gate host code of this browser (its controller's included) runs through.
    TEventGate& Gate() { return gate_; }

private:
    void PlayNow(const nlohmann::json& action);
    // Runs a navigation on the browser's thread, through the gate.
    void StartNavigation(const std::string& uri, std::optional<std::string> inlineDocument);
    void RunNavigation(const std::string& uri, std::optional<std::string> inlineDocument);
    std::optional<std::string> RequestResource(const std::string& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
                                               int* status);
    bool FilterMatches(const std::string& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) const;
    void SetTitle(const std::string& title);
    void RaiseNavigationCompleted(bool success, COREWEBVIEW2_WEB_ERROR_STATUS status, std::uint64_t id);

    TEventGate gate_;  // before everything that raises through it
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

    TEventSource<ICoreWebView2NavigationStartingEventHandler> navigationStarting_{"NavigationStarting", &gate_};
    TEventSource<ICoreWebView2ContentLoadingEventHandler> contentLoading_{"ContentLoading", &gate_};
    TEventSource<ICoreWebView2SourceChangedEventHandler> sourceChanged_{"SourceChanged", &gate_};
    TEventSource<ICoreWebView2HistoryChangedEventHandler> historyChanged_{"HistoryChanged", &gate_};
    TEventSource<ICoreWebView2NavigationCompletedEventHandler> navigationCompleted_{"NavigationCompleted", &gate_};
    TEventSource<ICoreWebView2NavigationStartingEventHandler> frameNavigationStarting_{"FrameNavigationStarting",
                                                                                       &gate_};
    TEventSource<ICoreWebView2NavigationCompletedEventHandler> frameNavigationCompleted_{"FrameNavigationCompleted",
                                                                                         &gate_};
    TEventSource<ICoreWebView2ScriptDialogOpeningEventHandler> scriptDialogOpening_{"ScriptDialogOpening", &gate_};
    TEventSource<ICoreWebView2PermissionRequestedEventHandler> permissionRequested_{"PermissionRequested", &gate_};
    TEventSource<ICoreWebView2ProcessFailedEventHandler> processFailed_{"ProcessFailed", &gate_};
    TEventSource<ICoreWebView2WebMessageReceivedEventHandler> webMessageReceived_{"WebMessageReceived", &gate_};
    TEventSource<ICoreWebView2NewWindowRequestedEventHandler> newWindowRequested_{"NewWindowRequested", &gate_};
    TEventSource<ICoreWebView2DocumentTitleChangedEventHandler> documentTitleChanged_{"DocumentTitleChanged", &gate_};
    TEventSource<ICoreWebView2ContainsFullScreenElementChangedEventHandler> containsFullScreenElementChanged_{
        "ContainsFullScreenElementChanged", &gate_};
    TEventSource<ICoreWebView2WebResourceRequestedEventHandler> webResourceRequested_{"WebResourceRequested", &gate_};
    TEventSource<ICoreWebView2WindowCloseRequestedEventHandler> windowCloseRequested_{"WindowCloseRequested", &gate_};
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
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return zoomFactorChanged_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return zoomFactorChanged_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) override;
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
    HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* h,
                                                     EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return moveFocusRequested_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return moveFocusRequested_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_GotFocus(ICoreWebView2FocusChangedEventHandler* h,
                                           EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return gotFocus_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return gotFocus_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_LostFocus(ICoreWebView2FocusChangedEventHandler* h,
                                            EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return lostFocus_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return lostFocus_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* h,
                                                        EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return acceleratorKeyPressed_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return acceleratorKeyPressed_.Remove(t);
    }
    HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) override;
    HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) override;
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) override;

    // Plays a controller's scenario action (the browser's gate already passed).
    void PlayNow(const nlohmann::json& action);

private:
    TComPtr<TDoubleWebView> view_;
    HWND parent_;
    bool closed_ = false;
    BOOL visible_ = TRUE;
    RECT bounds_{};
    double zoom_ = 1.0;
    TEventSource<ICoreWebView2ZoomFactorChangedEventHandler> zoomFactorChanged_{"ZoomFactorChanged", &view_->Gate()};
    TEventSource<ICoreWebView2MoveFocusRequestedEventHandler> moveFocusRequested_{"MoveFocusRequested", &view_->Gate()};
    TEventSource<ICoreWebView2FocusChangedEventHandler> gotFocus_{"GotFocus", &view_->Gate()};
    TEventSource<ICoreWebView2FocusChangedEventHandler> lostFocus_{"LostFocus", &view_->Gate()};
    TEventSource<ICoreWebView2AcceleratorKeyPressedEventHandler> acceleratorKeyPressed_{"AcceleratorKeyPressed",
                                                                                        &view_->Gate()};
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
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return newBrowserVersionAvailable_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_NewBrowserVersionAvailable(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return newBrowserVersionAvailable_.Remove(t);
    }

private:
    TEventSource<ICoreWebView2NewBrowserVersionAvailableEventHandler> newBrowserVersionAvailable_{
        "NewBrowserVersionAvailable", nullptr};
};

// The loader's environment request: a failure at once (CO_E_NOTINITIALIZED without COM on the
// calling thread, RPC_E_CHANGED_MODE in a multithreaded apartment, or the scenario's), or one
// later completion through the calling thread's dispatcher. `exportName` names the loader
// export called, for the transcript.
HRESULT CreateEnvironment(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler, const char* exportName);

}  // namespace vellum::webview2_double
