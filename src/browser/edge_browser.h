#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "browser/browser_page.h"
#include "browser/browser_window.h"
#include "browser/edge_event_args.h"
#include "core/stream/stream.h"
#include "platform/ui_queue.h"
#include "webview2/com_ptr.h"
#include "webview2/webview2_abi.h"

namespace vellum {

enum class TBrowserControlState { None, Creating, Created, Failed };
enum class TPreviewFormat { PNG, JPEG };

class TCustomEdgeBrowser;

using TNotifyEvent = std::function<void(TCustomEdgeBrowser* Sender)>;
using TWebViewStatusEvent = std::function<void(TCustomEdgeBrowser* Sender, webview2::HRESULT AResult)>;
using TContainsFullScreenElementChangedEvent =
    std::function<void(TCustomEdgeBrowser* Sender, bool ContainsFullScreenElement)>;
using TContentLoadingEvent =
    std::function<void(TCustomEdgeBrowser* Sender, bool IsErrorPage, std::uint64_t NavigationID)>;
using TDevToolsProtocolEventReceivedEvent = std::function<void(
    TCustomEdgeBrowser* Sender, const std::string& CDPEventName, const std::string& AParameterObjectAsJson)>;
using TDocumentTitleChangedEvent = std::function<void(TCustomEdgeBrowser* Sender, const std::string& ADocumentTitle)>;
using TExecuteScriptEvent =
    std::function<void(TCustomEdgeBrowser* Sender, webview2::HRESULT AResult, const std::string& AResultObjectAsJson)>;
using TNavigationStartingEvent = std::function<void(TCustomEdgeBrowser* Sender, TNavigationStartingEventArgs& Args)>;
using TNavigationCompletedEvent = std::function<void(TCustomEdgeBrowser* Sender, bool IsSuccess,
                                                     webview2::COREWEBVIEW2_WEB_ERROR_STATUS WebErrorStatus)>;
using THistoryChangedEvent = TNotifyEvent;
using TNewWindowRequestedEvent = std::function<void(TCustomEdgeBrowser* Sender, TNewWindowRequestedEventArgs& Args)>;
using TPermissionRequestedEvent = std::function<void(TCustomEdgeBrowser* Sender, TPermissionRequestedEventArgs& Args)>;
using TProcessFailedEvent =
    std::function<void(TCustomEdgeBrowser* Sender, webview2::COREWEBVIEW2_PROCESS_FAILED_KIND ProcessFailedKind)>;
using TScriptDialogOpeningEvent = std::function<void(TCustomEdgeBrowser* Sender, TScriptDialogOpeningEventArgs& Args)>;
using TSourceChangedEvent = std::function<void(TCustomEdgeBrowser* Sender, bool IsNewDocument)>;
using TWebMessageReceivedEvent = std::function<void(TCustomEdgeBrowser* Sender, TWebMessageReceivedEventArgs& Args)>;
using TWebResourceRequestedEvent =
    std::function<void(TCustomEdgeBrowser* Sender, TWebResourceRequestedEventArgs& Args)>;
using TZoomFactorChangedEvent = std::function<void(TCustomEdgeBrowser* Sender, double AZoomFactor)>;

// A child control hosting one WebView2 browser in its client area. Creation is asynchronous and
// happens on the user-interface thread, which must be a single-threaded COM apartment with a
// message loop: the runtime is created there, every call into it is made from there, and
// every completion and event arrives there. Runtime results go through CheckResult, so a
// failing call stops its operation quietly and leaves its code in LastErrorCode.
//
// It is also the WebView2 implementation of the engine-neutral page seam (IBrowserPage): the
// receiver set with SetPageEvents hears the page's messages, resource requests, new windows,
// permissions, title changes, completed navigations and readiness, with the runtime's
// arguments already read.
class TCustomEdgeBrowser : public IBrowserPage {
public:
    // `window` is the control's window in the windowing system; `uiQueue` reaches the
    // user-interface thread. Both must outlive the control.
    explicit TCustomEdgeBrowser(IBrowserWindow& window, IUiQueue& uiQueue = MainThreadUiQueue());
    ~TCustomEdgeBrowser() override;
    TCustomEdgeBrowser(const TCustomEdgeBrowser&) = delete;
    TCustomEdgeBrowser& operator=(const TCustomEdgeBrowser&) = delete;

    void CreateWebView();
    void Navigate(const std::string& AUrl) override;
    void NavigateToString(const std::string& AHTMLContent);
    void ExecuteScript(const std::string& JavaScript) override;
    void GoBack();
    void GoForward();
    void Refresh();
    void Stop();
    void CapturePreview(const std::string& AFilename, TPreviewFormat PreviewFormat = TPreviewFormat::PNG);
    void CapturePreview(TStream& Stream, TPreviewFormat PreviewFormat = TPreviewFormat::PNG);
    void AddWebResourceRequestedFilter(const std::string& URI,
                                       webview2::COREWEBVIEW2_WEB_RESOURCE_CONTEXT ResourceContext);
    void RemoveWebResourceRequestedFilter(const std::string& URI,
                                          webview2::COREWEBVIEW2_WEB_RESOURCE_CONTEXT ResourceContext);
    void SubscribeToCDPEvent(const std::string& CDPEventName);
    void CloseWebView();
    void CloseBrowserProcess();
    void ReinitializeWebView();
    void ReinitializeWebViewWithNewBrowser();
    void SetFocus() override;

    // The page seam.
    void SetPageEvents(IPageEvents* events) override;
    bool PostWebMessageAsJson(const std::string& json) override;
    void AddDocumentScript(const std::string& script) override;
    void ApplySwitches(const TPageSwitches& switches) override;
    void FilterResources(const std::string& pattern) override;
    std::uintptr_t PageWindowHandle() override { return reinterpret_cast<std::uintptr_t>(WindowHandle()); }

    // What the window system reports about the control's window.
    void Resize();                           // after the ordinary resize handling
    void DoEnter();                          // the control received focus
    void DoExit();                           // the control lost focus
    void VisibleChanged(bool visible);       // after the ordinary handling
    void SysCommand(std::uint32_t command);  // a WM_SYSCOMMAND that reached the control
    void WindowHandleRecreated();            // the window was created again
    void ParentChanged();                    // the control was given a parent window

    // The control's window (created when it does not exist yet).
    webview2::HWND WindowHandle() { return FWindow.WindowHandle(); }
    TBrowserControlState BrowserControlState() const { return FBrowserControlState; }
    webview2::ICoreWebView2* DefaultInterface() const { return FWebView.Get(); }
    webview2::ICoreWebView2Controller* ControllerInterface() const { return FWebViewController.Get(); }
    webview2::ICoreWebView2Environment* EnvironmentInterface() const { return FWebViewEnvironment.Get(); }
    webview2::ICoreWebView2Settings* SettingsInterface() const { return FWebViewSettings.Get(); }
    bool WebViewCreated() const;
    webview2::HRESULT LastErrorCode() const;
    const std::string& LastURL() const { return FLastURL; }
    void SetLastURL(const std::string& url) { FLastURL = url; }
    std::uint32_t BrowserProcessID() const;
    std::string BrowserVersionInfo() const;
    bool CanGoBack() const;
    bool CanGoForward() const;
    bool ContainsFullScreenElement() const;
    std::string DocumentTitle() const;
    std::string LocationURL() const;
    double SizeRatio() const { return FSizeRatio; }
    void SetSizeRatio(double ratio);
    double ZoomFactor() const override;
    void SetZoomFactor(double factor) override;

    bool BuiltInErrorPageEnabled() const;
    void SetBuiltInErrorPageEnabled(bool value);
    bool DefaultContextMenusEnabled() const;
    void SetDefaultContextMenusEnabled(bool value);
    bool DefaultScriptDialogsEnabled() const;
    void SetDefaultScriptDialogsEnabled(bool value);
    bool DevToolsEnabled() const;
    void SetDevToolsEnabled(bool value);
    bool ScriptEnabled() const;
    void SetScriptEnabled(bool value);
    bool StatusBarEnabled() const;
    void SetStatusBarEnabled(bool value);
    bool WebMessageEnabled() const;
    void SetWebMessageEnabled(bool value);
    bool ZoomControlEnabled() const;
    void SetZoomControlEnabled(bool value);

    // The control's events. Handlers run on the user-interface thread.
    TWebViewStatusEvent OnCapturePreviewCompleted;
    TContainsFullScreenElementChangedEvent OnContainsFullScreenElementChanged;
    TContentLoadingEvent OnContentLoading;
    TWebViewStatusEvent OnCreateWebViewCompleted;
    TDevToolsProtocolEventReceivedEvent OnDevToolsProtocolEventReceived;
    TDocumentTitleChangedEvent OnDocumentTitleChanged;
    TExecuteScriptEvent OnExecuteScript;
    TNavigationStartingEvent OnFrameNavigationStarting;
    TNavigationCompletedEvent OnFrameNavigationCompleted;
    THistoryChangedEvent OnHistoryChanged;
    TNavigationStartingEvent OnNavigationStarting;
    TNavigationCompletedEvent OnNavigationCompleted;
    TNewWindowRequestedEvent OnNewWindowRequested;
    TPermissionRequestedEvent OnPermissionRequested;
    TProcessFailedEvent OnProcessFailed;
    TScriptDialogOpeningEvent OnScriptDialogOpening;
    TSourceChangedEvent OnSourceChanged;
    TWebMessageReceivedEvent OnWebMessageReceived;
    TWebResourceRequestedEvent OnWebResourceRequested;
    TNotifyEvent OnWindowCloseRequested;
    TZoomFactorChangedEvent OnZoomFactorChanged;
    // The control's own focus notifications.
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    // Answers whether `result` is a success code, after storing it in LastErrorCode.
    bool CheckResult(webview2::HRESULT result);

private:
    void InitializeWebView();
    webview2::HRESULT CreateEnvironmentCompleted(webview2::HRESULT result,
                                                 webview2::ICoreWebView2Environment* environment);
    void RequestController();
    webview2::HRESULT CreateCoreWebView2ControllerCompleted(webview2::HRESULT result,
                                                            webview2::ICoreWebView2Controller* controller);
    void RaiseCreateWebViewCompleted(webview2::HRESULT result);
    void RegisterEventHandlers();
    void ApplyBounds();
    void HandleMoveFocusRequested(webview2::ICoreWebView2MoveFocusRequestedEventArgs* args);
    void HandleAcceleratorKeyPressed(webview2::ICoreWebView2AcceleratorKeyPressedEventArgs* args);
    void HandleGotFocus();
    bool ReadSwitch(
        webview2::HRESULT (STDMETHODCALLTYPE webview2::ICoreWebView2Settings::*getter)(webview2::BOOL*)) const;
    void WriteSwitch(webview2::HRESULT (STDMETHODCALLTYPE webview2::ICoreWebView2Settings::*setter)(webview2::BOOL),
                     bool value);
    void CapturePreviewInto(webview2::IStream* stream, TPreviewFormat format);
    // What the page-seam receiver hears; each reads the runtime's arguments only when one is set.
    void ForwardWebMessage(webview2::ICoreWebView2WebMessageReceivedEventArgs* args);
    void ForwardResourceRequest(webview2::ICoreWebView2WebResourceRequestedEventArgs* args);
    void ForwardNewWindow(webview2::ICoreWebView2NewWindowRequestedEventArgs* args);
    void ForwardPermission(webview2::ICoreWebView2PermissionRequestedEventArgs* args);
    // Runs `work` on the user-interface thread (at once when already there) unless the control
    // is gone by then.
    void RunForControl(std::function<void(TCustomEdgeBrowser&)> work);
    // Hands an error raised inside a runtime callback to the user-interface thread, so that it
    // reaches the application's error handling instead of the runtime.
    void Rethrow(std::exception_ptr error);
    template <class TFunction>
    webview2::HRESULT Guarded(TFunction&& body);

    IBrowserWindow& FWindow;
    IUiQueue& FUiQueue;

    TBrowserControlState FBrowserControlState = TBrowserControlState::None;
    webview2::TComPtr<webview2::ICoreWebView2Environment> FWebViewEnvironment;
    webview2::TComPtr<webview2::ICoreWebView2Controller> FWebViewController;
    webview2::TComPtr<webview2::ICoreWebView2> FWebView;
    webview2::TComPtr<webview2::ICoreWebView2Settings> FWebViewSettings;
    double FSizeRatio = 1.0;
    webview2::HRESULT FLastErrorCode = 0;
    bool FWebViewFocusEventActive = false;
    std::string FLastURL;
    std::unique_ptr<std::mutex> FCritSec;

    webview2::EventRegistrationToken FAcceleratorKeyPressedToken{};
    webview2::EventRegistrationToken FContainsFullScreenElementChangedToken{};
    webview2::EventRegistrationToken FContentLoadingToken{};
    webview2::EventRegistrationToken FDocumentTitleChangedToken{};
    webview2::EventRegistrationToken FFrameNavigationStartingToken{};
    webview2::EventRegistrationToken FFrameNavigationCompletedToken{};
    webview2::EventRegistrationToken FGotFocusToken{};
    webview2::EventRegistrationToken FHistoryChangedToken{};
    webview2::EventRegistrationToken FLostFocusToken{};
    webview2::EventRegistrationToken FMoveFocusRequestedToken{};
    webview2::EventRegistrationToken FNavigationStartingToken{};
    webview2::EventRegistrationToken FNavigationCompletedToken{};
    webview2::EventRegistrationToken FNewWindowRequestedToken{};
    webview2::EventRegistrationToken FPermissionRequestedToken{};
    webview2::EventRegistrationToken FProcessFailedToken{};
    webview2::EventRegistrationToken FScriptDialogOpeningToken{};
    webview2::EventRegistrationToken FSourceChangedToken{};
    webview2::EventRegistrationToken FWebResourceRequestedToken{};
    webview2::EventRegistrationToken FWebMessageReceivedToken{};
    webview2::EventRegistrationToken FWindowCloseRequestedToken{};
    webview2::EventRegistrationToken FZoomFactorChangedToken{};
    std::unique_ptr<std::map<std::string, webview2::EventRegistrationToken>> FDevToolsProtocolEventReceivedTokenMap;

    // Completions and queued work reach the control through this link, which the destructor
    // cuts, so that nothing arriving late touches a control that is gone.
    struct TControlLink {
        std::recursive_mutex Mutex;
        TCustomEdgeBrowser* Control;
    };
    std::shared_ptr<TControlLink> link_;
    static TCustomEdgeBrowser* LinkedControl(const std::shared_ptr<TControlLink>& link);
    IPageEvents* pageEvents_ = nullptr;
};

// A page message copied out of the runtime's event arguments: the plain string only when the
// page posted a string, and the JSON text.
TPageMessage ReadWebMessage(webview2::ICoreWebView2WebMessageReceivedEventArgs* args);

// The control as forms use it: the same behaviour, every event available.
class TEdgeBrowser : public TCustomEdgeBrowser {
public:
    using TCustomEdgeBrowser::TCustomEdgeBrowser;
};

}  // namespace vellum
