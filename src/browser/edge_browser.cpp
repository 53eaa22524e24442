#include "browser/edge_browser.h"

#include <cmath>
#include <stdexcept>

#include "browser/edge_error.h"
#include "browser/webview2_loader.h"
#include "core/text/ascii_case.h"
#include "core/text/utf.h"
#include "platform/process_control.h"
#include "webview2/com_object.h"
#include "webview2/stream_adapter.h"
#include "webview2/wide_text.h"

namespace vellum {

using namespace webview2;

namespace {

constexpr BOOL kTrue = -1;  // switches are passed with all bits set
constexpr std::uint32_t kSysCommandMinimize = 0xF020;
constexpr std::uint32_t kSysCommandRestore = 0xF120;
constexpr std::uint32_t kKeyDown = 0x0100;
constexpr std::uint32_t kKeyUp = 0x0101;
constexpr std::uint32_t kSysKeyDown = 0x0104;
constexpr std::uint32_t kSysKeyUp = 0x0105;
constexpr std::uint32_t kCloseProcessWaitMilliseconds = 2000;
// HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE): the capture file could not be created.
constexpr HRESULT kCannotCreateFile = static_cast<HRESULT>(0x80070052);
const char* const kNotInstantiated = "WebView2 not instantiated";
const char* const kCreationFailed = "Failed to create Edge browser control";

// Blanks and control characters, as a trimmed address ignores them.
bool IsBlankText(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) > ' ') return false;
    return true;
}

}  // namespace

TCustomEdgeBrowser::TCustomEdgeBrowser(IBrowserWindow& window, IUiQueue& uiQueue)
    : FWindow(window),
      FUiQueue(uiQueue),
      FCritSec(std::make_unique<std::mutex>()),
      FDevToolsProtocolEventReceivedTokenMap(std::make_unique<std::map<std::string, EventRegistrationToken>>()),
      link_(std::make_shared<TControlLink>()) {
    link_->Control = this;
}

TCustomEdgeBrowser::~TCustomEdgeBrowser() {
    {
        std::lock_guard lock(link_->Mutex);
        link_->Control = nullptr;
    }
    CloseWebView();
}

void TCustomEdgeBrowser::RunForControl(std::function<void(TCustomEdgeBrowser&)> work) {
    FUiQueue.Run([link = link_, work = std::move(work)] {
        if (TCustomEdgeBrowser* control = LinkedControl(link)) work(*control);
    });
}

TCustomEdgeBrowser* TCustomEdgeBrowser::LinkedControl(const std::shared_ptr<TControlLink>& link) {
    std::lock_guard lock(link->Mutex);
    return link->Control;
}

void TCustomEdgeBrowser::Rethrow(std::exception_ptr error) {
    FUiQueue.Post([error] { std::rethrow_exception(error); });
}

template <class TFunction>
HRESULT TCustomEdgeBrowser::Guarded(TFunction&& body) {
    try {
        body();
    } catch (...) {
        Rethrow(std::current_exception());
    }
    return S_OK;
}

bool TCustomEdgeBrowser::CheckResult(HRESULT result) {
    std::lock_guard lock(*FCritSec);
    FLastErrorCode = result;
    return SUCCEEDED(result);
}

HRESULT TCustomEdgeBrowser::LastErrorCode() const {
    std::lock_guard lock(*FCritSec);
    return FLastErrorCode;
}

bool TCustomEdgeBrowser::WebViewCreated() const {
    return FWebViewEnvironment && FWebViewController && FWebView && FWebViewSettings;
}

// ---- creation ----

void TCustomEdgeBrowser::CreateWebView() {
    if (FWebView || FBrowserControlState == TBrowserControlState::Creating) return;
    FBrowserControlState = TBrowserControlState::Creating;
    // Started from the user-interface queue rather than at once: CreateWebView also runs when
    // the window is given its parent, in the middle of the form's own construction. The
    // environment must be requested on this thread: the runtime answers a thread without COM,
    // or one in the multi-threaded apartment, with an error, and delivers its completion
    // through the requesting thread's message queue.
    FUiQueue.Post([link = link_] {
        if (TCustomEdgeBrowser* control = LinkedControl(link)) control->InitializeWebView();
    });
}

void TCustomEdgeBrowser::ReinitializeWebView() {
    InitializeWebView();
}

void TCustomEdgeBrowser::ReinitializeWebViewWithNewBrowser() {
    CloseBrowserProcess();
    ReinitializeWebView();
}

void TCustomEdgeBrowser::InitializeWebView() {
    CloseWebView();
    FSizeRatio = 1.0;
    FWebViewFocusEventActive = false;
    auto handler = Callback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        [link = link_](HRESULT result, ICoreWebView2Environment* environment) {
            std::lock_guard lock(link->Mutex);
            if (link->Control == nullptr) return S_OK;
            return link->Control->CreateEnvironmentCompleted(result, environment);
        });
    const HRESULT result = TWebView2Loader::Instance().CreateCoreWebView2Environment(handler.Get());
    if (!CheckResult(result))
        RunForControl([result](TCustomEdgeBrowser& control) { control.RaiseCreateWebViewCompleted(result); });
}

HRESULT TCustomEdgeBrowser::CreateEnvironmentCompleted(HRESULT result, ICoreWebView2Environment* environment) {
    if (CheckResult(result) && environment != nullptr) {
        // The completion arrives on the user-interface thread, where RunForControl runs at once.
        TComPtr<ICoreWebView2Environment> kept(environment);
        RunForControl([kept](TCustomEdgeBrowser& control) {
            control.FWebViewEnvironment = kept;
            control.RequestController();
        });
    } else {
        if (SUCCEEDED(result)) CheckResult(result = E_POINTER);
        RunForControl([result](TCustomEdgeBrowser& control) { control.RaiseCreateWebViewCompleted(result); });
    }
    return S_OK;
}

void TCustomEdgeBrowser::RequestController() {
    if (!FWebViewEnvironment) return;
    const HWND parent = FWindow.WindowHandle();
    auto handler = Callback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        [link = link_](HRESULT result, ICoreWebView2Controller* controller) {
            TCustomEdgeBrowser* control = LinkedControl(link);
            return control == nullptr ? S_OK : control->CreateCoreWebView2ControllerCompleted(result, controller);
        });
    CheckResult(FWebViewEnvironment->CreateCoreWebView2Controller(parent, handler.Get()));
}

void TCustomEdgeBrowser::RaiseCreateWebViewCompleted(HRESULT result) {
    if (OnCreateWebViewCompleted) OnCreateWebViewCompleted(this, result);
    if (pageEvents_ != nullptr) pageEvents_->PageReady(SUCCEEDED(result));
}

HRESULT TCustomEdgeBrowser::CreateCoreWebView2ControllerCompleted(HRESULT result, ICoreWebView2Controller* controller) {
    return Guarded([&] {
        bool obtained = CheckResult(result);
        if (obtained && controller == nullptr) obtained = CheckResult(E_POINTER);
        if (obtained) {
            FWebViewController = TComPtr<ICoreWebView2Controller>(controller);
            obtained = CheckResult(FWebViewController->get_CoreWebView2(FWebView.Put())) && FWebView;
        }
        if (obtained) obtained = CheckResult(FWebView->get_Settings(FWebViewSettings.Put())) && FWebViewSettings;
        if (!obtained) {
            FBrowserControlState = TBrowserControlState::Failed;
            const HRESULT code = LastErrorCode();
            if (OnCreateWebViewCompleted)
                OnCreateWebViewCompleted(this, code);
            else
                FUiQueue.Post([code] { throw EEdgeError(kCreationFailed, code); });
            if (pageEvents_ != nullptr) pageEvents_->PageReady(false);
            return;
        }
        FBrowserControlState = TBrowserControlState::Created;
        RaiseCreateWebViewCompleted(result);
        if (FWebView && FWebViewController) {
            RegisterEventHandlers();
            ApplyBounds();
        }
        if (!FLastURL.empty()) Navigate(FLastURL);
    });
}

// ---- runtime events ----

void TCustomEdgeBrowser::RegisterEventHandlers() {
    ICoreWebView2* view = FWebView.Get();
    ICoreWebView2Controller* controller = FWebViewController.Get();

    view->add_NavigationStarting(
        Callback<ICoreWebView2NavigationStartingEventHandler>([this](ICoreWebView2*,
                                                                     ICoreWebView2NavigationStartingEventArgs* args) {
            return Guarded([&] {
                if (!OnNavigationStarting) return;
                TNavigationStartingEventArgs wrapped(args);
                OnNavigationStarting(this, wrapped);
            });
        }).Get(),
        &FNavigationStartingToken);
    const auto navigationCompleted = [](TCustomEdgeBrowser* self, const TNavigationCompletedEvent& event,
                                        ICoreWebView2NavigationCompletedEventArgs* args) {
        return self->Guarded([&] {
            if (!event) return;
            BOOL success = FALSE;
            COREWEBVIEW2_WEB_ERROR_STATUS status = COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN;
            args->get_IsSuccess(&success);
            args->get_WebErrorStatus(&status);
            event(self, success != FALSE, status);
        });
    };
    view->add_NavigationCompleted(
        Callback<ICoreWebView2NavigationCompletedEventHandler>([this, navigationCompleted](
                                                                   ICoreWebView2*,
                                                                   ICoreWebView2NavigationCompletedEventArgs* args) {
            navigationCompleted(this, OnNavigationCompleted, args);
            return Guarded([&] {
                if (pageEvents_ == nullptr) return;
                BOOL success = FALSE;
                args->get_IsSuccess(&success);
                pageEvents_->PageNavigationCompleted(success != FALSE);
            });
        }).Get(),
        &FNavigationCompletedToken);
    view->add_SourceChanged(
        Callback<ICoreWebView2SourceChangedEventHandler>([this](ICoreWebView2*,
                                                                ICoreWebView2SourceChangedEventArgs* args) {
            return Guarded([&] {
                if (!OnSourceChanged) return;
                BOOL isNew = FALSE;
                args->get_IsNewDocument(&isNew);
                OnSourceChanged(this, isNew != FALSE);
            });
        }).Get(),
        &FSourceChangedToken);
    view->add_HistoryChanged(Callback<ICoreWebView2HistoryChangedEventHandler>([this](ICoreWebView2*, IUnknown*) {
                                 return Guarded([&] {
                                     if (OnHistoryChanged) OnHistoryChanged(this);
                                 });
                             }).Get(),
                             &FHistoryChangedToken);
    view->add_ContentLoading(
        Callback<ICoreWebView2ContentLoadingEventHandler>([this](ICoreWebView2*,
                                                                 ICoreWebView2ContentLoadingEventArgs* args) {
            return Guarded([&] {
                if (!OnContentLoading) return;
                BOOL isErrorPage = FALSE;
                UINT64 navigationId = 0;
                args->get_IsErrorPage(&isErrorPage);
                args->get_NavigationId(&navigationId);
                OnContentLoading(this, isErrorPage != FALSE, navigationId);
            });
        }).Get(),
        &FContentLoadingToken);
    view->add_DocumentTitleChanged(
        Callback<ICoreWebView2DocumentTitleChangedEventHandler>([this](ICoreWebView2*, IUnknown*) {
            return Guarded([&] {
                if (OnDocumentTitleChanged) OnDocumentTitleChanged(this, DocumentTitle());
                if (pageEvents_ != nullptr) pageEvents_->PageTitleChanged(DocumentTitle());
            });
        }).Get(),
        &FDocumentTitleChangedToken);
    view->add_NewWindowRequested(
        Callback<ICoreWebView2NewWindowRequestedEventHandler>([this](ICoreWebView2*,
                                                                     ICoreWebView2NewWindowRequestedEventArgs* args) {
            return Guarded([&] {
                if (OnNewWindowRequested) {
                    TNewWindowRequestedEventArgs wrapped(args);
                    OnNewWindowRequested(this, wrapped);
                }
                ForwardNewWindow(args);
            });
        }).Get(),
        &FNewWindowRequestedToken);
    view->add_FrameNavigationStarting(
        Callback<ICoreWebView2NavigationStartingEventHandler>([this](ICoreWebView2*,
                                                                     ICoreWebView2NavigationStartingEventArgs* args) {
            return Guarded([&] {
                if (!OnFrameNavigationStarting) return;
                TNavigationStartingEventArgs wrapped(args);
                OnFrameNavigationStarting(this, wrapped);
            });
        }).Get(),
        &FFrameNavigationStartingToken);
    view->add_FrameNavigationCompleted(
        Callback<ICoreWebView2NavigationCompletedEventHandler>([this, navigationCompleted](
                                                                   ICoreWebView2*,
                                                                   ICoreWebView2NavigationCompletedEventArgs* args) {
            return navigationCompleted(this, OnFrameNavigationCompleted, args);
        }).Get(),
        &FFrameNavigationCompletedToken);
    view->add_WebResourceRequested(
        Callback<ICoreWebView2WebResourceRequestedEventHandler>([this](
                                                                    ICoreWebView2*,
                                                                    ICoreWebView2WebResourceRequestedEventArgs* args) {
            return Guarded([&] {
                if (OnWebResourceRequested) {
                    TWebResourceRequestedEventArgs wrapped(args);
                    OnWebResourceRequested(this, wrapped);
                }
                ForwardResourceRequest(args);
            });
        }).Get(),
        &FWebResourceRequestedToken);
    view->add_ScriptDialogOpening(
        Callback<ICoreWebView2ScriptDialogOpeningEventHandler>([this](ICoreWebView2*,
                                                                      ICoreWebView2ScriptDialogOpeningEventArgs* args) {
            return Guarded([&] {
                if (!OnScriptDialogOpening) return;
                TScriptDialogOpeningEventArgs wrapped(args);
                OnScriptDialogOpening(this, wrapped);
            });
        }).Get(),
        &FScriptDialogOpeningToken);
    view->add_PermissionRequested(
        Callback<ICoreWebView2PermissionRequestedEventHandler>([this](ICoreWebView2*,
                                                                      ICoreWebView2PermissionRequestedEventArgs* args) {
            return Guarded([&] {
                if (OnPermissionRequested) {
                    TPermissionRequestedEventArgs wrapped(args);
                    OnPermissionRequested(this, wrapped);
                }
                ForwardPermission(args);
            });
        }).Get(),
        &FPermissionRequestedToken);
    view->add_ProcessFailed(
        Callback<ICoreWebView2ProcessFailedEventHandler>([this](ICoreWebView2*,
                                                                ICoreWebView2ProcessFailedEventArgs* args) {
            return Guarded([&] {
                if (!OnProcessFailed) return;
                COREWEBVIEW2_PROCESS_FAILED_KIND kind{};
                args->get_ProcessFailedKind(&kind);
                OnProcessFailed(this, kind);
            });
        }).Get(),
        &FProcessFailedToken);
    view->add_WebMessageReceived(
        Callback<ICoreWebView2WebMessageReceivedEventHandler>([this](ICoreWebView2*,
                                                                     ICoreWebView2WebMessageReceivedEventArgs* args) {
            return Guarded([&] {
                if (OnWebMessageReceived) {
                    TWebMessageReceivedEventArgs wrapped(args);
                    OnWebMessageReceived(this, wrapped);
                }
                ForwardWebMessage(args);
            });
        }).Get(),
        &FWebMessageReceivedToken);
    view->add_ContainsFullScreenElementChanged(
        Callback<ICoreWebView2ContainsFullScreenElementChangedEventHandler>([this](ICoreWebView2* sender, IUnknown*) {
            return Guarded([&] {
                if (!OnContainsFullScreenElementChanged || sender == nullptr) return;
                BOOL contains = FALSE;
                if (CheckResult(sender->get_ContainsFullScreenElement(&contains)))
                    OnContainsFullScreenElementChanged(this, contains != FALSE);
            });
        }).Get(),
        &FContainsFullScreenElementChangedToken);
    view->add_WindowCloseRequested(
        Callback<ICoreWebView2WindowCloseRequestedEventHandler>([this](ICoreWebView2*, IUnknown*) {
            return Guarded([&] {
                if (OnWindowCloseRequested) OnWindowCloseRequested(this);
            });
        }).Get(),
        &FWindowCloseRequestedToken);
    controller->add_ZoomFactorChanged(
        Callback<ICoreWebView2ZoomFactorChangedEventHandler>([this](ICoreWebView2Controller*, IUnknown*) {
            return Guarded([&] {
                if (OnZoomFactorChanged) OnZoomFactorChanged(this, ZoomFactor());
            });
        }).Get(),
        &FZoomFactorChangedToken);
    controller->add_MoveFocusRequested(
        Callback<ICoreWebView2MoveFocusRequestedEventHandler>([this](ICoreWebView2Controller*,
                                                                     ICoreWebView2MoveFocusRequestedEventArgs* args) {
            return Guarded([&] { HandleMoveFocusRequested(args); });
        }).Get(),
        &FMoveFocusRequestedToken);
    controller->add_AcceleratorKeyPressed(
        Callback<ICoreWebView2AcceleratorKeyPressedEventHandler>(
            [this](ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
                return Guarded([&] { HandleAcceleratorKeyPressed(args); });
            })
            .Get(),
        &FAcceleratorKeyPressedToken);
    controller->add_GotFocus(
        Callback<ICoreWebView2FocusChangedEventHandler>([this](ICoreWebView2Controller*, IUnknown*) {
            return Guarded([&] { HandleGotFocus(); });
        }).Get(),
        &FGotFocusToken);
    controller->add_LostFocus(
        Callback<ICoreWebView2FocusChangedEventHandler>([this](ICoreWebView2Controller*, IUnknown*) {
            return Guarded([&] { DoExit(); });
        }).Get(),
        &FLostFocusToken);
}

// ---- the page seam ----

void TCustomEdgeBrowser::SetPageEvents(IPageEvents* events) {
    // One receiver: a second one would silently take the page's messages from the first.
    if (events != nullptr && pageEvents_ != nullptr && events != pageEvents_)
        throw std::logic_error("the page's events already have a receiver");
    pageEvents_ = events;
}

TPageMessage ReadWebMessage(ICoreWebView2WebMessageReceivedEventArgs* args) {
    TPageMessage message;
    LPWSTR plain = nullptr;
    const bool isString = SUCCEEDED(args->TryGetWebMessageAsString(&plain));
    std::string text = TakeWideString(plain);
    if (isString) message.PlainText = std::move(text);
    LPWSTR json = nullptr;
    args->get_WebMessageAsJson(&json);
    message.Json = TakeWideString(json);
    return message;
}

void TCustomEdgeBrowser::ForwardWebMessage(ICoreWebView2WebMessageReceivedEventArgs* args) {
    // Read while the runtime's arguments exist; the receiver may keep the copy for later.
    if (pageEvents_ != nullptr) pageEvents_->PageMessageReceived(ReadWebMessage(args));
}

void TCustomEdgeBrowser::ForwardResourceRequest(ICoreWebView2WebResourceRequestedEventArgs* args) {
    if (pageEvents_ == nullptr) return;
    TComPtr<ICoreWebView2WebResourceRequest> request;
    if (FAILED(args->get_Request(request.Put())) || !request) return;
    LPWSTR uri = nullptr;
    request->get_Uri(&uri);
    std::optional<TPageResource> resource = pageEvents_->PageResourceRequested(TakeWideString(uri));
    if (!resource || !FWebViewEnvironment) return;
    // The runtime reads the content on a thread of its own once this handler has returned: the
    // stream owns its bytes and nothing else touches them.
    auto content =
        TComPtr<IStream>::Adopt(new TStreamAdapter(std::make_unique<TMemoryStream>(std::move(resource->Body))));
    TComPtr<ICoreWebView2WebResourceResponse> response;
    if (CheckResult(FWebViewEnvironment->CreateWebResourceResponse(
            content.Get(), resource->Status, TWideText(resource->Reason).Get(), TWideText(resource->Headers).Get(),
            response.Put())))
        CheckResult(args->put_Response(response.Get()));
}

void TCustomEdgeBrowser::ForwardNewWindow(ICoreWebView2NewWindowRequestedEventArgs* args) {
    if (pageEvents_ == nullptr) return;
    LPWSTR uri = nullptr;
    args->get_Uri(&uri);
    if (pageEvents_->PageNewWindowRequested(TakeWideString(uri))) CheckResult(args->put_Handled(TRUE));
}

void TCustomEdgeBrowser::ForwardPermission(ICoreWebView2PermissionRequestedEventArgs* args) {
    if (pageEvents_ == nullptr) return;
    LPWSTR uri = nullptr;
    args->get_Uri(&uri);
    if (pageEvents_->PagePermissionRequested(TakeWideString(uri)))
        CheckResult(args->put_State(COREWEBVIEW2_PERMISSION_STATE_ALLOW));
}

bool TCustomEdgeBrowser::PostWebMessageAsJson(const std::string& json) {
    return FWebView && CheckResult(FWebView->PostWebMessageAsJson(TWideText(json).Get()));
}

void TCustomEdgeBrowser::AddDocumentScript(const std::string& script) {
    if (FWebView) CheckResult(FWebView->AddScriptToExecuteOnDocumentCreated(TWideText(script).Get(), nullptr));
}

void TCustomEdgeBrowser::ApplySwitches(const TPageSwitches& switches) {
    if (!FWebViewSettings) return;
    ICoreWebView2Settings* settings = FWebViewSettings.Get();
    const auto flag = [](bool value) -> BOOL { return value ? TRUE : FALSE; };
    CheckResult(settings->put_IsScriptEnabled(flag(switches.Script)));
    CheckResult(settings->put_IsStatusBarEnabled(flag(switches.StatusBar)));
    CheckResult(settings->put_IsWebMessageEnabled(flag(switches.WebMessages)));
    CheckResult(settings->put_IsBuiltInErrorPageEnabled(flag(switches.BuiltInErrorPage)));
    CheckResult(settings->put_IsZoomControlEnabled(flag(switches.ZoomControl)));
    CheckResult(settings->put_AreDevToolsEnabled(flag(switches.DevTools)));
    CheckResult(settings->put_AreDefaultContextMenusEnabled(flag(switches.ContextMenus)));
}

void TCustomEdgeBrowser::FilterResources(const std::string& pattern) {
    AddWebResourceRequestedFilter(pattern, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
}

void TCustomEdgeBrowser::HandleMoveFocusRequested(ICoreWebView2MoveFocusRequestedEventArgs* args) {
    COREWEBVIEW2_MOVE_FOCUS_REASON reason{};
    if (!CheckResult(args->get_Reason(&reason))) return;
    if (reason == COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT)
        FWindow.SelectNextControl(true);
    else if (reason == COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS)
        FWindow.SelectNextControl(false);
}

void TCustomEdgeBrowser::HandleAcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
    COREWEBVIEW2_KEY_EVENT_KIND kind{};
    UINT virtualKey = 0;
    INT keyLParam = 0;
    if (!CheckResult(args->get_KeyEventKind(&kind))) return;
    if (!CheckResult(args->get_VirtualKey(&virtualKey))) return;
    if (!CheckResult(args->get_KeyEventLParam(&keyLParam))) return;
    TKeyMessage message{};
    switch (kind) {
        case COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN: message.Message = kKeyDown; break;
        case COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP: message.Message = kKeyUp; break;
        case COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN: message.Message = kSysKeyDown; break;
        case COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP: message.Message = kSysKeyUp; break;
        default: return;
    }
    message.WParam = virtualKey;
    message.LParam = keyLParam;
    if (FWindow.IsShortCut(message)) args->put_Handled(TRUE);
}

void TCustomEdgeBrowser::HandleGotFocus() {
    FWebViewFocusEventActive = true;
    try {
        DoEnter();
    } catch (...) {
        FWebViewFocusEventActive = false;
        throw;
    }
    FWebViewFocusEventActive = false;
}

// ---- closing ----

void TCustomEdgeBrowser::CloseWebView() {
    if (FWebView) {
        ICoreWebView2* view = FWebView.Get();
        view->remove_NavigationStarting(FNavigationStartingToken);
        view->remove_NavigationCompleted(FNavigationCompletedToken);
        view->remove_SourceChanged(FSourceChangedToken);
        view->remove_HistoryChanged(FHistoryChangedToken);
        view->remove_ContentLoading(FContentLoadingToken);
        view->remove_DocumentTitleChanged(FDocumentTitleChangedToken);
        view->remove_NewWindowRequested(FNewWindowRequestedToken);
        view->remove_FrameNavigationStarting(FFrameNavigationStartingToken);
        view->remove_FrameNavigationCompleted(FFrameNavigationCompletedToken);
        view->remove_WebResourceRequested(FWebResourceRequestedToken);
        view->remove_ScriptDialogOpening(FScriptDialogOpeningToken);
        view->remove_PermissionRequested(FPermissionRequestedToken);
        view->remove_ProcessFailed(FProcessFailedToken);
        view->remove_WebMessageReceived(FWebMessageReceivedToken);
        view->remove_WindowCloseRequested(FWindowCloseRequestedToken);
        view->remove_ContainsFullScreenElementChanged(FContainsFullScreenElementChangedToken);
        for (const auto& [name, token] : *FDevToolsProtocolEventReceivedTokenMap) {
            TComPtr<ICoreWebView2DevToolsProtocolEventReceiver> receiver;
            if (CheckResult(view->GetDevToolsProtocolEventReceiver(TWideText(name).Get(), receiver.Put())) && receiver)
                receiver->remove_DevToolsProtocolEventReceived(token);
        }
        FDevToolsProtocolEventReceivedTokenMap->clear();
        FWebView.Reset();
    }
    if (FWebViewController) {
        // The controller goes even when a step before its release fails.
        TComPtr<ICoreWebView2Controller> controller = std::move(FWebViewController);
        controller->remove_AcceleratorKeyPressed(FAcceleratorKeyPressedToken);
        controller->remove_GotFocus(FGotFocusToken);
        controller->remove_LostFocus(FLostFocusToken);
        controller->remove_MoveFocusRequested(FMoveFocusRequestedToken);
        controller->remove_ZoomFactorChanged(FZoomFactorChangedToken);
        controller->Close();
    }
}

void TCustomEdgeBrowser::CloseBrowserProcess() {
    const std::uint32_t processId = BrowserProcessID();
    CloseWebView();
    if (processId == 0) return;
    WaitForProcessOrTerminate(processId, kCloseProcessWaitMilliseconds);
}

// ---- operations ----

void TCustomEdgeBrowser::Navigate(const std::string& AUrl) {
    if (FWebView)
        CheckResult(FWebView->Navigate(TWideText(AUrl).Get()));
    else if (!IsBlankText(AUrl))
        FLastURL = AUrl;
}

void TCustomEdgeBrowser::NavigateToString(const std::string& AHTMLContent) {
    if (FWebView) CheckResult(FWebView->NavigateToString(TWideText(AHTMLContent).Get()));
}

void TCustomEdgeBrowser::ExecuteScript(const std::string& JavaScript) {
    if (!FWebView) return;
    // The completion may arrive after the control is gone (a close query's script, say).
    auto handler = Callback<ICoreWebView2ExecuteScriptCompletedHandler>([link = link_](HRESULT result, LPCWSTR json) {
        TCustomEdgeBrowser* control = LinkedControl(link);
        if (control == nullptr) return S_OK;
        return control->Guarded([&] {
            if (control->OnExecuteScript) control->OnExecuteScript(control, result, FromWide(json));
        });
    });
    FWebView->ExecuteScript(TWideText(JavaScript).Get(), handler.Get());
}

void TCustomEdgeBrowser::GoBack() {
    if (FWebView) CheckResult(FWebView->GoBack());
}

void TCustomEdgeBrowser::GoForward() {
    if (FWebView) CheckResult(FWebView->GoForward());
}

void TCustomEdgeBrowser::Refresh() {
    if (FWebView) CheckResult(FWebView->Reload());
}

void TCustomEdgeBrowser::Stop() {
    if (FWebView) CheckResult(FWebView->Stop());
}

void TCustomEdgeBrowser::CapturePreview(const std::string& AFilename, TPreviewFormat PreviewFormat) {
    if (!FWebView) return;
    std::unique_ptr<TStream> file;
    try {
        file = std::make_unique<TFileStream>(PathFromUtf8(AFilename), TFileStream::TMode::Create);
    } catch (const EFileError&) {
        CheckResult(kCannotCreateFile);
        return;
    }
    auto adapter = TComPtr<IStream>::Adopt(new TStreamAdapter(std::move(file)));
    CapturePreviewInto(adapter.Get(), PreviewFormat);
}

void TCustomEdgeBrowser::CapturePreview(TStream& Stream, TPreviewFormat PreviewFormat) {
    if (!FWebView) return;
    Stream.SetPosition(0);
    auto adapter = TComPtr<IStream>::Adopt(new TStreamAdapter(Stream));
    CapturePreviewInto(adapter.Get(), PreviewFormat);
}

void TCustomEdgeBrowser::CapturePreviewInto(IStream* stream, TPreviewFormat format) {
    auto handler = Callback<ICoreWebView2CapturePreviewCompletedHandler>([link = link_](HRESULT result) {
        TCustomEdgeBrowser* control = LinkedControl(link);
        if (control == nullptr) return S_OK;
        return control->Guarded([&] {
            if (control->OnCapturePreviewCompleted) control->OnCapturePreviewCompleted(control, result);
        });
    });
    const auto imageFormat = format == TPreviewFormat::PNG ? COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG
                                                           : COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_JPEG;
    CheckResult(FWebView->CapturePreview(imageFormat, stream, handler.Get()));
}

void TCustomEdgeBrowser::AddWebResourceRequestedFilter(const std::string& URI,
                                                       COREWEBVIEW2_WEB_RESOURCE_CONTEXT ResourceContext) {
    if (FWebView) CheckResult(FWebView->AddWebResourceRequestedFilter(TWideText(URI).Get(), ResourceContext));
}

void TCustomEdgeBrowser::RemoveWebResourceRequestedFilter(const std::string& URI,
                                                          COREWEBVIEW2_WEB_RESOURCE_CONTEXT ResourceContext) {
    if (FWebView) CheckResult(FWebView->RemoveWebResourceRequestedFilter(TWideText(URI).Get(), ResourceContext));
}

void TCustomEdgeBrowser::SubscribeToCDPEvent(const std::string& CDPEventName) {
    if (!FWebView) return;
    TComPtr<ICoreWebView2DevToolsProtocolEventReceiver> receiver;
    if (!CheckResult(FWebView->GetDevToolsProtocolEventReceiver(TWideText(CDPEventName).Get(), receiver.Put())) ||
        !receiver)
        return;
    auto& tokens = *FDevToolsProtocolEventReceivedTokenMap;
    if (const auto old = tokens.find(CDPEventName); old != tokens.end()) {
        receiver->remove_DevToolsProtocolEventReceived(old->second);
        tokens.erase(old);
    }
    auto handler = Callback<ICoreWebView2DevToolsProtocolEventReceivedEventHandler>(
        [this, CDPEventName](ICoreWebView2*, ICoreWebView2DevToolsProtocolEventReceivedEventArgs* args) {
            return Guarded([&] {
                if (!OnDevToolsProtocolEventReceived) return;
                LPWSTR json = nullptr;
                args->get_ParameterObjectAsJson(&json);
                const std::string parameters = TakeWideString(json);
                OnDevToolsProtocolEventReceived(this, CDPEventName, parameters);
            });
        });
    EventRegistrationToken token{};
    if (CheckResult(receiver->add_DevToolsProtocolEventReceived(handler.Get(), &token))) tokens[CDPEventName] = token;
}

void TCustomEdgeBrowser::SetFocus() {
    FWindow.FocusWindow();
    if (FWebViewController) CheckResult(FWebViewController->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC));
}

// ---- what the window reports ----

void TCustomEdgeBrowser::ApplyBounds() {
    if (!FWebViewController) return;
    RECT bounds = FWindow.ClientRect();
    bounds.right =
        static_cast<decltype(bounds.right)>(std::trunc((bounds.right - bounds.left) * FSizeRatio + bounds.left));
    bounds.bottom =
        static_cast<decltype(bounds.bottom)>(std::trunc((bounds.bottom - bounds.top) * FSizeRatio + bounds.top));
    CheckResult(FWebViewController->put_Bounds(bounds));
}

void TCustomEdgeBrowser::Resize() {
    ApplyBounds();
}

void TCustomEdgeBrowser::SetSizeRatio(double ratio) {
    FSizeRatio = ratio;
    ApplyBounds();
}

void TCustomEdgeBrowser::DoEnter() {
    if (OnEnter) OnEnter(this);
    if (!FWebViewFocusEventActive && FWebViewController)
        CheckResult(FWebViewController->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC));
}

void TCustomEdgeBrowser::DoExit() {
    if (OnExit) OnExit(this);
}

void TCustomEdgeBrowser::VisibleChanged(bool visible) {
    if (FWebViewController) CheckResult(FWebViewController->put_IsVisible(visible ? TRUE : FALSE));
}

void TCustomEdgeBrowser::SysCommand(std::uint32_t command) {
    if (!FWebViewController) return;
    // The low four bits of a system command are the system's own.
    const std::uint32_t kind = command & 0xFFF0;
    if (kind == kSysCommandMinimize)
        CheckResult(FWebViewController->put_IsVisible(FALSE));
    else if (kind == kSysCommandRestore)
        CheckResult(FWebViewController->put_IsVisible(TRUE));
}

void TCustomEdgeBrowser::WindowHandleRecreated() {
    if (FWebView) ReinitializeWebView();
}

void TCustomEdgeBrowser::ParentChanged() {
    CreateWebView();
}

// ---- properties ----

std::uint32_t TCustomEdgeBrowser::BrowserProcessID() const {
    UINT32 id = 0;
    if (!FWebView || FAILED(FWebView->get_BrowserProcessId(&id))) return 0;
    return id;
}

std::string TCustomEdgeBrowser::BrowserVersionInfo() const {
    if (FWebView && FWebViewEnvironment) {
        LPWSTR version = nullptr;
        const HRESULT result = FWebViewEnvironment->get_BrowserVersionString(&version);
        std::string text = TakeWideString(version);
        return SUCCEEDED(result) ? text : std::string();
    }
    std::string version;
    return SUCCEEDED(TWebView2Loader::Instance().BrowserVersionString(version)) ? version : std::string();
}

bool TCustomEdgeBrowser::CanGoBack() const {
    BOOL value = FALSE;
    return FWebView && SUCCEEDED(FWebView->get_CanGoBack(&value)) && value != FALSE;
}

bool TCustomEdgeBrowser::CanGoForward() const {
    BOOL value = FALSE;
    return FWebView && SUCCEEDED(FWebView->get_CanGoForward(&value)) && value != FALSE;
}

bool TCustomEdgeBrowser::ContainsFullScreenElement() const {
    BOOL value = FALSE;
    return FWebViewSettings && FWebView && SUCCEEDED(FWebView->get_ContainsFullScreenElement(&value)) && value != FALSE;
}

std::string TCustomEdgeBrowser::DocumentTitle() const {
    if (!FWebView) return {};
    LPWSTR title = nullptr;
    const HRESULT result = FWebView->get_DocumentTitle(&title);
    std::string text = TakeWideString(title);
    return SUCCEEDED(result) ? text : std::string();
}

std::string TCustomEdgeBrowser::LocationURL() const {
    if (!FWebView) return {};
    LPWSTR source = nullptr;
    const HRESULT result = FWebView->get_Source(&source);
    std::string text = TakeWideString(source);
    if (FAILED(result) || EqualIgnoringAsciiCase(text, "about:blank")) return {};
    return text;
}

double TCustomEdgeBrowser::ZoomFactor() const {
    double factor = 0;
    if (!FWebViewController || FAILED(FWebViewController->get_ZoomFactor(&factor))) return 0;
    return factor;
}

void TCustomEdgeBrowser::SetZoomFactor(double factor) {
    if (FWebViewController) CheckResult(FWebViewController->put_ZoomFactor(factor));
}

bool TCustomEdgeBrowser::ReadSwitch(HRESULT (STDMETHODCALLTYPE ICoreWebView2Settings::*getter)(BOOL*)) const {
    BOOL value = FALSE;
    if (!FWebViewSettings || FAILED((FWebViewSettings.Get()->*getter)(&value)))
        throw EEdgeError(kNotInstantiated, E_FAIL);
    return value != FALSE;
}

void TCustomEdgeBrowser::WriteSwitch(HRESULT (STDMETHODCALLTYPE ICoreWebView2Settings::*setter)(BOOL), bool value) {
    if (!FWebViewSettings) throw EEdgeError(kNotInstantiated, E_FAIL);
    CheckResult((FWebViewSettings.Get()->*setter)(value ? kTrue : FALSE));
}

bool TCustomEdgeBrowser::BuiltInErrorPageEnabled() const {
    return ReadSwitch(&ICoreWebView2Settings::get_IsBuiltInErrorPageEnabled);
}
void TCustomEdgeBrowser::SetBuiltInErrorPageEnabled(bool value) {
    WriteSwitch(&ICoreWebView2Settings::put_IsBuiltInErrorPageEnabled, value);
}
bool TCustomEdgeBrowser::DefaultContextMenusEnabled() const {
    return ReadSwitch(&ICoreWebView2Settings::get_AreDefaultContextMenusEnabled);
}
void TCustomEdgeBrowser::SetDefaultContextMenusEnabled(bool value) {
    WriteSwitch(&ICoreWebView2Settings::put_AreDefaultContextMenusEnabled, value);
}
bool TCustomEdgeBrowser::DefaultScriptDialogsEnabled() const {
    return ReadSwitch(&ICoreWebView2Settings::get_AreDefaultScriptDialogsEnabled);
}
void TCustomEdgeBrowser::SetDefaultScriptDialogsEnabled(bool value) {
    WriteSwitch(&ICoreWebView2Settings::put_AreDefaultScriptDialogsEnabled, value);
}
bool TCustomEdgeBrowser::DevToolsEnabled() const {
    return ReadSwitch(&ICoreWebView2Settings::get_AreDevToolsEnabled);
}
void TCustomEdgeBrowser::SetDevToolsEnabled(bool value) {
    WriteSwitch(&ICoreWebView2Settings::put_AreDevToolsEnabled, value);
}
bool TCustomEdgeBrowser::ScriptEnabled() const {
    return ReadSwitch(&ICoreWebView2Settings::get_IsScriptEnabled);
}
void TCustomEdgeBrowser::SetScriptEnabled(bool value) {
    WriteSwitch(&ICoreWebView2Settings::put_IsScriptEnabled, value);
}
bool TCustomEdgeBrowser::StatusBarEnabled() const {
    return ReadSwitch(&ICoreWebView2Settings::get_IsStatusBarEnabled);
}
void TCustomEdgeBrowser::SetStatusBarEnabled(bool value) {
    WriteSwitch(&ICoreWebView2Settings::put_IsStatusBarEnabled, value);
}
bool TCustomEdgeBrowser::WebMessageEnabled() const {
    return ReadSwitch(&ICoreWebView2Settings::get_IsWebMessageEnabled);
}
void TCustomEdgeBrowser::SetWebMessageEnabled(bool value) {
    WriteSwitch(&ICoreWebView2Settings::put_IsWebMessageEnabled, value);
}
bool TCustomEdgeBrowser::ZoomControlEnabled() const {
    return ReadSwitch(&ICoreWebView2Settings::get_IsZoomControlEnabled);
}
void TCustomEdgeBrowser::SetZoomControlEnabled(bool value) {
    WriteSwitch(&ICoreWebView2Settings::put_IsZoomControlEnabled, value);
}

}  // namespace vellum
