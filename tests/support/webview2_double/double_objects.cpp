#include "double_objects.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "double_args.h"
#include "webview2/wide_text.h"

namespace vellum::webview2_double {

namespace {

// FNV-1a, 64 bits: enough to tell bodies apart in a transcript.
std::string Digest(const std::string& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string ReadAll(IStream* stream) {
    std::string bytes;
    if (stream == nullptr) return bytes;
    char buffer[16384];
    for (;;) {
        ULONG got = 0;
        const HRESULT result = stream->Read(buffer, sizeof buffer, &got);
        bytes.append(buffer, got);
        if (FAILED(result) || got == 0) break;
    }
    return bytes;
}

// The text of the document's <title> element, "" without one.
std::string TitleOf(const std::string& html) {
    std::string lower = html;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t open = lower.find("<title");
    if (open == std::string::npos) return {};
    const std::size_t start = lower.find('>', open);
    if (start == std::string::npos) return {};
    const std::size_t end = lower.find("</title", start);
    if (end == std::string::npos) return {};
    return html.substr(start + 1, end - start - 1);
}

// "*" matches any run of characters, as in the runtime's filters.
bool WildcardMatch(const char* pattern, const char* text) {
    if (*pattern == 0) return *text == 0;
    if (*pattern == '*') return WildcardMatch(pattern + 1, text) || (*text != 0 && WildcardMatch(pattern, text + 1));
    return *pattern == *text && WildcardMatch(pattern + 1, text + 1);
}

// The relative addresses a document loads (src and href attributes in double quotes), with
// the kind of resource each one is, resolved against the document's folder.
std::vector<std::pair<std::string, COREWEBVIEW2_WEB_RESOURCE_CONTEXT>> SubResources(const std::string& html,
                                                                                    const std::string& documentUri) {
    std::vector<std::pair<std::string, COREWEBVIEW2_WEB_RESOURCE_CONTEXT>> found;
    const std::size_t query = documentUri.find_first_of("?#");
    const std::string base = documentUri.substr(0, documentUri.rfind('/', query) + 1);
    for (const char* attribute : {"src=\"", "href=\""}) {
        for (std::size_t at = html.find(attribute); at != std::string::npos; at = html.find(attribute, at + 1)) {
            const std::size_t start = at + std::strlen(attribute);
            const std::size_t end = html.find('"', start);
            if (end == std::string::npos) break;
            const std::string target = html.substr(start, end - start);
            if (target.empty() || target.find(':') != std::string::npos || target[0] == '#' || target[0] == '/')
                continue;
            const std::string extension = target.substr(target.find_last_of('.') + 1);
            auto context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER;
            if (extension == "js")
                context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT;
            else if (extension == "css")
                context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_STYLESHEET;
            else if (extension == "png" || extension == "jpg" || extension == "gif" || extension == "svg" ||
                     extension == "ico")
                context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE;
            found.emplace_back(base + target, context);
        }
    }
    return found;
}

std::string JsonQuoted(const std::string& text) {
    return nlohmann::json(text).dump();
}

}  // namespace

std::int64_t NextToken() {
    static std::atomic<std::int64_t> next{100};
    return ++next;
}

// ---- one host call at a time ----

namespace {

// Counts a host call as running for as long as it runs, exceptions included.
class TRunningCall {
public:
    explicit TRunningCall(int& running) : running_(running) { ++running_; }
    ~TRunningCall() { --running_; }
    TRunningCall(const TRunningCall&) = delete;
    TRunningCall& operator=(const TRunningCall&) = delete;

private:
    int& running_;
};

}  // namespace

void TEventGate::Hold(const std::string& name, TWork work) {
    TDoubleHost::Instance().Record("event_held", {{"name", name}});
    held_.push_back(std::move(work));
}

void TEventGate::Call(const std::string& name, TWork call) {
    if (running_ > 0) {
        Hold(name, [this, name, call = std::move(call)]() mutable { Call(name, std::move(call)); });
        return;
    }
    {
        TRunningCall running(running_);
        call();
    }
    RunHeld();
}

void TEventGate::Run(const std::string& name, TWork work) {
    if (running_ > 0) {
        Hold(name, std::move(work));
        return;
    }
    work();
}

// Once the outermost host call has returned: what was held, in order.
void TEventGate::RunHeld() {
    if (releasing_ || running_ > 0) return;
    releasing_ = true;
    struct TReleased {
        bool& Flag;
        ~TReleased() { Flag = false; }
    } released{releasing_};
    while (!held_.empty() && running_ == 0) {
        TWork next = std::move(held_.front());
        held_.pop_front();
        next();
    }
}

// ---- response content, read where the runtime reads it ----

namespace {

struct TContentRead {
    std::mutex Mutex;
    std::condition_variable Done;
    bool Finished = false;
    std::string Bytes;
    std::uint64_t Thread = 0;
};

// Reads a response's content on a thread of the double's own, as the runtime reads it on a
// background thread; waits for it at most `timeout`. Empty on timeout (the reader goes on
// until the host's stream returns, and releases the stream where it read it).
std::optional<std::pair<std::string, std::uint64_t>> ReadOnBackgroundThread(TComPtr<IStream> content,
                                                                            std::chrono::milliseconds timeout) {
    auto read = std::make_shared<TContentRead>();
    TDoubleHost::Instance().BeginBackgroundWork();
    std::thread([read, content = std::move(content)]() mutable {
        std::string bytes = ReadAll(content.Get());
        content.Reset();
        {
            std::lock_guard lock(read->Mutex);
            read->Bytes = std::move(bytes);
            read->Thread = TDoubleHost::CurrentThread();
            read->Finished = true;
        }
        read->Done.notify_all();
        TDoubleHost::Instance().EndBackgroundWork();
    }).detach();
    std::unique_lock lock(read->Mutex);
    if (!read->Done.wait_for(lock, timeout, [&] { return read->Finished; })) return std::nullopt;
    return std::make_pair(std::move(read->Bytes), read->Thread);
}

// A completion on its way to a thread: run there once, or dropped when it cannot arrive.
class TDelivery {
public:
    TDoubleHost::TWork Work;
    void Run() {
        TDoubleHost::TWork work;
        {
            std::lock_guard lock(mutex_);
            work = std::move(Work);
            Work = nullptr;
            taken_ = true;
        }
        if (work) work();
    }
    bool Taken() {
        std::lock_guard lock(mutex_);
        return taken_;
    }
    void Drop() {
        TDoubleHost::TWork dropped;
        std::lock_guard lock(mutex_);
        dropped = std::move(Work);
        Work = nullptr;
        taken_ = true;
    }

private:
    std::mutex mutex_;
    bool taken_ = false;
};

// The event a scenario action raises first, as the transcript names held events.
std::string EventOfAction(const nlohmann::json& action) {
    static const std::map<std::string, std::string> kEvents = {{"web_message", "WebMessageReceived"},
                                                               {"new_window", "NewWindowRequested"},
                                                               {"permission", "PermissionRequested"},
                                                               {"script_dialog", "ScriptDialogOpening"},
                                                               {"accelerator_key", "AcceleratorKeyPressed"},
                                                               {"move_focus", "MoveFocusRequested"},
                                                               {"got_focus", "GotFocus"},
                                                               {"lost_focus", "LostFocus"},
                                                               {"title", "DocumentTitleChanged"},
                                                               {"process_failed", "ProcessFailed"},
                                                               {"window_close", "WindowCloseRequested"},
                                                               {"fullscreen", "ContainsFullScreenElementChanged"},
                                                               {"zoom", "ZoomFactorChanged"},
                                                               {"navigate", "NavigationStarting"}};
    const std::string kind = action.value("action", std::string());
    if (kind == "devtools_event") return "DevToolsProtocolEventReceived:" + action.value("name", std::string());
    const auto found = kEvents.find(kind);
    return found == kEvents.end() ? kind : found->second;
}

}  // namespace

// ---- settings ----

HRESULT TDoubleSettings::Get(const char* name, BOOL* value) {
    if (value == nullptr) return E_POINTER;
    const auto found = switches_.find(name);
    *value = found == switches_.end() ? TRUE : found->second;
    return S_OK;
}

HRESULT TDoubleSettings::Put(const char* name, BOOL value) {
    switches_[name] = value;
    TDoubleHost::Instance().Record("settings", {{"name", name}, {"value", value}});
    return S_OK;
}

// ---- the browser ----

TDoubleWebView::TDoubleWebView() : settings_(TComPtr<TDoubleSettings>::Adopt(new TDoubleSettings())) {}

TDoubleWebView::~TDoubleWebView() {
    if (TDoubleHost::Instance().ActiveWebView() == this) TDoubleHost::Instance().SetActiveWebView(nullptr);
}

std::size_t TDoubleWebView::HandlerCount() const {
    return navigationStarting_.Count() + contentLoading_.Count() + sourceChanged_.Count() + historyChanged_.Count() +
           navigationCompleted_.Count() + frameNavigationStarting_.Count() + frameNavigationCompleted_.Count() +
           scriptDialogOpening_.Count() + permissionRequested_.Count() + processFailed_.Count() +
           webMessageReceived_.Count() + newWindowRequested_.Count() + documentTitleChanged_.Count() +
           containsFullScreenElementChanged_.Count() + webResourceRequested_.Count() + windowCloseRequested_.Count();
}

void TDoubleWebView::Close() {
    closed_ = true;
    gate_.Drop();
    navigationStarting_.Clear();
    contentLoading_.Clear();
    sourceChanged_.Clear();
    historyChanged_.Clear();
    navigationCompleted_.Clear();
    frameNavigationStarting_.Clear();
    frameNavigationCompleted_.Clear();
    scriptDialogOpening_.Clear();
    permissionRequested_.Clear();
    processFailed_.Clear();
    webMessageReceived_.Clear();
    newWindowRequested_.Clear();
    documentTitleChanged_.Clear();
    containsFullScreenElementChanged_.Clear();
    webResourceRequested_.Clear();
    windowCloseRequested_.Clear();
    for (auto& [name, receiver] : receivers_) static_cast<TDevToolsReceiver*>(receiver.Get())->Received().Clear();
    receivers_.clear();
}

HRESULT TDoubleWebView::get_Settings(ICoreWebView2Settings** settings) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (settings == nullptr) return E_POINTER;
    *settings = settings_.Get();
    (*settings)->AddRef();
    return S_OK;
}

HRESULT TDoubleWebView::get_Source(LPWSTR* uri) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    return GiveString(source_, uri);
}

HRESULT TDoubleWebView::get_DocumentTitle(LPWSTR* title) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    return GiveString(title_, title);
}

HRESULT TDoubleWebView::Navigate(LPCWSTR uri) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (uri == nullptr) return E_INVALIDARG;
    const std::string address = FromWide(uri);
    TDoubleHost::Instance().Record("navigate", {{"uri", address}});
    StartNavigation(address, std::nullopt);
    return S_OK;
}

HRESULT TDoubleWebView::NavigateToString(LPCWSTR htmlContent) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (htmlContent == nullptr) return E_INVALIDARG;
    const std::string html = FromWide(htmlContent);
    TDoubleHost::Instance().Record("navigate_to_string", {{"bytes", html.size()}, {"digest", Digest(html)}});
    StartNavigation("about:blank", html);
    return S_OK;
}

void TDoubleWebView::StartNavigation(const std::string& uri, std::optional<std::string> inlineDocument) {
    TComPtr<TDoubleWebView> self(this);
    PostToOwner("navigation", [self, uri, inlineDocument] {
        self->gate_.Run("NavigationStarting",
                        [self, uri, inlineDocument] { self->RunNavigation(uri, inlineDocument); });
    });
}

bool TDoubleWebView::FilterMatches(const std::string& uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) const {
    for (const auto& [pattern, filterContext] : filters_)
        if ((filterContext == COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL || filterContext == context) &&
            WildcardMatch(pattern.c_str(), uri.c_str()))
            return true;
    return false;
}

std::optional<std::string> TDoubleWebView::RequestResource(const std::string& uri,
                                                           COREWEBVIEW2_WEB_RESOURCE_CONTEXT context, int* status) {
    TDoubleHost& host = TDoubleHost::Instance();
    *status = 0;
    if (!FilterMatches(uri, context)) {
        host.Record("resource_default", {{"uri", uri}, {"context", context}});
        return std::nullopt;
    }
    auto args = TComPtr<TWebResourceRequestedArgs>::Adopt(new TWebResourceRequestedArgs(uri, context));
    webResourceRequested_.Raise(static_cast<ICoreWebView2*>(this),
                                static_cast<ICoreWebView2WebResourceRequestedEventArgs*>(args.Get()));
    auto* response = static_cast<TWebResourceResponse*>(args->Response());
    if (response == nullptr) {
        host.Record("resource_unanswered", {{"uri", uri}, {"context", context}});
        return std::nullopt;
    }
    // The handler has returned: the content is read on a background thread, as the runtime does.
    const int timeout = host.Scenario().value("content_read_timeout_ms", 10000);
    auto read = ReadOnBackgroundThread(TComPtr<IStream>(response->Content()), std::chrono::milliseconds(timeout));
    if (!read) {
        host.Record("resource_read_timeout", {{"uri", uri}, {"context", context}, {"timeout_ms", timeout}});
        return std::nullopt;
    }
    const std::string& body = read->first;
    *status = response->Status();
    host.Record("resource_response", {{"uri", uri},
                                      {"context", context},
                                      {"status", response->Status()},
                                      {"reason", response->Reason()},
                                      {"headers", response->Headers()},
                                      {"bytes", body.size()},
                                      {"digest", Digest(body)},
                                      {"thread", host.CurrentThread()},
                                      {"read_thread", read->second}});
    return body;
}

void TDoubleWebView::SetTitle(const std::string& title) {
    if (title == title_) return;
    title_ = title;
    TDoubleHost::Instance().Record("title", {{"title", title}});
    documentTitleChanged_.Raise(static_cast<ICoreWebView2*>(this), static_cast<IUnknown*>(nullptr));
}

void TDoubleWebView::RaiseNavigationCompleted(bool success, COREWEBVIEW2_WEB_ERROR_STATUS status, std::uint64_t id) {
    auto args = TComPtr<TNavigationCompletedArgs>::Adopt(new TNavigationCompletedArgs(success, status, id));
    const nlohmann::json fields = {{"uri", source_}, {"success", success}, {"status", status}};
    navigationCompleted_.RaiseThen([fields] { TDoubleHost::Instance().Record("navigation_completed", fields); },
                                   static_cast<ICoreWebView2*>(this),
                                   static_cast<ICoreWebView2NavigationCompletedEventArgs*>(args.Get()));
}

void TDoubleWebView::RunNavigation(const std::string& uri, std::optional<std::string> inlineDocument) {
    if (closed_) return;
    const std::uint64_t id = ++navigationId_;
    auto starting = TComPtr<TNavigationStartingArgs>::Adopt(new TNavigationStartingArgs(uri, id));
    navigationStarting_.Raise(static_cast<ICoreWebView2*>(this),
                              static_cast<ICoreWebView2NavigationStartingEventArgs*>(starting.Get()));
    if (closed_) return;
    if (starting->Canceled()) {
        TDoubleHost::Instance().Record("navigation_canceled", {{"uri", uri}});
        RaiseNavigationCompleted(false, COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED, id);
        return;
    }
    int status = 0;
    std::optional<std::string> body =
        inlineDocument ? inlineDocument : RequestResource(uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT, &status);
    if (closed_) return;
    source_ = uri;
    if (historyIndex_ + 1 < history_.size()) history_.resize(historyIndex_ + 1);
    if (history_.empty() || history_.back() != uri) history_.push_back(uri);
    historyIndex_ = history_.size() - 1;
    auto sourceArgs = TComPtr<TSourceChangedArgs>::Adopt(new TSourceChangedArgs(true));
    sourceChanged_.Raise(static_cast<ICoreWebView2*>(this),
                         static_cast<ICoreWebView2SourceChangedEventArgs*>(sourceArgs.Get()));
    const bool served = inlineDocument.has_value() || (body.has_value() && status >= 200 && status < 400);
    auto loading = TComPtr<TContentLoadingArgs>::Adopt(new TContentLoadingArgs(!served, id));
    contentLoading_.Raise(static_cast<ICoreWebView2*>(this),
                          static_cast<ICoreWebView2ContentLoadingEventArgs*>(loading.Get()));
    historyChanged_.Raise(static_cast<ICoreWebView2*>(this), static_cast<IUnknown*>(nullptr));
    if (closed_) return;
    // The document's own files load before it completes, as a browser loads them.
    if (body && served && !inlineDocument)
        for (const auto& [resource, context] : SubResources(*body, uri)) {
            int resourceStatus = 0;
            RequestResource(resource, context, &resourceStatus);
            if (closed_) return;
        }
    const std::string title = body ? TitleOf(*body) : std::string();
    SetTitle(title.empty() ? uri : title);
    if (closed_) return;
    RaiseNavigationCompleted(
        served, served ? COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN : COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT, id);
}

HRESULT TDoubleWebView::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (javaScript == nullptr) return E_INVALIDARG;
    const std::string script = FromWide(javaScript);
    const std::string id = "script-" + std::to_string(++documentScripts_);
    TDoubleHost::Instance().Record("add_document_script", {{"id", id}, {"script", script}});
    if (handler != nullptr) {
        TComPtr<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler> kept(handler);
        TComPtr<TDoubleWebView> self(this);
        PostToOwner("add_document_script_completion", [self, kept, id] {
            self->gate_.Call("AddScriptToExecuteOnDocumentCreatedCompleted",
                             [kept, id] { kept->Invoke(S_OK, TWideText(id).Get()); });
        });
    }
    return S_OK;
}

HRESULT TDoubleWebView::RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    TDoubleHost::Instance().Record("remove_document_script", {{"id", FromWide(id)}});
    return S_OK;
}

HRESULT TDoubleWebView::ExecuteScript(LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (javaScript == nullptr) return E_INVALIDARG;
    TDoubleHost& host = TDoubleHost::Instance();
    host.Record("execute_script", {{"script", FromWide(javaScript)}});
    if (handler != nullptr) {
        const std::string result = host.Scenario().value("script_result", std::string("null"));
        TComPtr<ICoreWebView2ExecuteScriptCompletedHandler> kept(handler);
        TComPtr<TDoubleWebView> self(this);
        PostToOwner("execute_script_completion", [self, kept, result] {
            self->gate_.Call("ExecuteScriptCompleted", [kept, result] { kept->Invoke(S_OK, TWideText(result).Get()); });
        });
    }
    return S_OK;
}

HRESULT TDoubleWebView::CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream* imageStream,
                                       ICoreWebView2CapturePreviewCompletedHandler* handler) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (imageStream == nullptr) return E_INVALIDARG;
    // A recognisable image header stands for the page's picture.
    static const unsigned char kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    static const unsigned char kJpeg[] = {0xFF, 0xD8, 0xFF, 0xE0};
    const bool png = imageFormat == COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG;
    ULONG written = 0;
    const HRESULT result =
        png ? imageStream->Write(kPng, sizeof kPng, &written) : imageStream->Write(kJpeg, sizeof kJpeg, &written);
    TDoubleHost::Instance().Record("capture_preview", {{"format", png ? "png" : "jpeg"}, {"bytes", written}});
    if (handler != nullptr) {
        TComPtr<ICoreWebView2CapturePreviewCompletedHandler> kept(handler);
        TComPtr<IStream> stream(imageStream);
        TComPtr<TDoubleWebView> self(this);
        PostToOwner("capture_preview_completion", [self, kept, stream, result] {
            self->gate_.Call("CapturePreviewCompleted", [kept, result] { kept->Invoke(result); });
        });
    }
    return S_OK;
}

HRESULT TDoubleWebView::Reload() {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    TDoubleHost::Instance().Record("reload", {{"uri", source_}});
    StartNavigation(source_, std::nullopt);
    return S_OK;
}

HRESULT TDoubleWebView::PostWebMessageAsJson(LPCWSTR webMessageAsJson) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (webMessageAsJson == nullptr) return E_INVALIDARG;
    const std::string json = FromWide(webMessageAsJson);
    // The runtime parses the message: text that is not JSON never reaches the page.
    if (!nlohmann::json::accept(json)) {
        TDoubleHost::Instance().Record("post_web_message_rejected", {{"json", json}});
        return E_INVALIDARG;
    }
    TDoubleHost::Instance().Record("post_web_message", {{"json", json}});
    return S_OK;
}

HRESULT TDoubleWebView::PostWebMessageAsString(LPCWSTR webMessageAsString) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (webMessageAsString == nullptr) return E_INVALIDARG;
    TDoubleHost::Instance().Record("post_web_message_string", {{"text", FromWide(webMessageAsString)}});
    return S_OK;
}

HRESULT TDoubleWebView::get_BrowserProcessId(UINT32* value) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    return Give<UINT32>(TDoubleHost::Instance().Scenario().value("browser_process_id", 0u), value);
}

HRESULT TDoubleWebView::get_CanGoBack(BOOL* value) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    return Give<BOOL>(historyIndex_ > 0 ? TRUE : FALSE, value);
}

HRESULT TDoubleWebView::get_CanGoForward(BOOL* value) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    return Give<BOOL>(historyIndex_ + 1 < history_.size() ? TRUE : FALSE, value);
}

HRESULT TDoubleWebView::GoBack() {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    TDoubleHost::Instance().Record("go_back");
    if (historyIndex_ == 0) return S_OK;
    const std::string address = history_[--historyIndex_];
    StartNavigation(address, std::nullopt);
    return S_OK;
}

HRESULT TDoubleWebView::GoForward() {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    TDoubleHost::Instance().Record("go_forward");
    if (historyIndex_ + 1 >= history_.size()) return S_OK;
    const std::string address = history_[++historyIndex_];
    StartNavigation(address, std::nullopt);
    return S_OK;
}

HRESULT TDoubleWebView::Stop() {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    TDoubleHost::Instance().Record("stop");
    return S_OK;
}

HRESULT TDoubleWebView::OpenDevToolsWindow() {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    TDoubleHost::Instance().Record("open_dev_tools");
    return S_OK;
}

HRESULT TDoubleWebView::GetDevToolsProtocolEventReceiver(LPCWSTR eventName,
                                                         ICoreWebView2DevToolsProtocolEventReceiver** receiver) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (eventName == nullptr || receiver == nullptr) return E_POINTER;
    const std::string name = FromWide(eventName);
    auto& held = receivers_[name];
    if (!held) held = TComPtr<ICoreWebView2DevToolsProtocolEventReceiver>::Adopt(new TDevToolsReceiver(name, &gate_));
    *receiver = held.Get();
    (*receiver)->AddRef();
    return S_OK;
}

HRESULT TDoubleWebView::get_ContainsFullScreenElement(BOOL* value) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    return Give<BOOL>(containsFullScreenElement_ ? TRUE : FALSE, value);
}

HRESULT TDoubleWebView::AddWebResourceRequestedFilter(const LPCWSTR uri,
                                                      const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (uri == nullptr) return E_INVALIDARG;
    filters_.emplace_back(FromWide(uri), resourceContext);
    TDoubleHost::Instance().Record("add_filter", {{"uri", FromWide(uri)}, {"context", resourceContext}});
    return S_OK;
}

HRESULT TDoubleWebView::RemoveWebResourceRequestedFilter(const LPCWSTR uri,
                                                         const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (uri == nullptr) return E_INVALIDARG;
    const std::string pattern = FromWide(uri);
    for (auto it = filters_.begin(); it != filters_.end(); ++it) {
        if (it->first == pattern && it->second == resourceContext) {
            filters_.erase(it);
            TDoubleHost::Instance().Record("remove_filter", {{"uri", pattern}, {"context", resourceContext}});
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

void TDoubleWebView::Play(const nlohmann::json& action) {
    if (closed_) return;
    TComPtr<TDoubleWebView> self(this);
    gate_.Run(EventOfAction(action), [self, action] { self->PlayNow(action); });
}

void TDoubleWebView::PlayNow(const nlohmann::json& action) {
    if (closed_) return;
    TDoubleHost& host = TDoubleHost::Instance();
    const std::string kind = action.value("action", std::string());
    ICoreWebView2* sender = this;
    if (kind == "web_message") {
        const bool isString = action.contains("string");
        const std::string text = isString ? action["string"].get<std::string>() : std::string();
        const std::string json = isString ? JsonQuoted(text) : action.value("json", std::string("null"));
        auto args = TComPtr<TWebMessageReceivedArgs>::Adopt(new TWebMessageReceivedArgs(source_, json, isString, text));
        host.Record("web_message", {{"json", json}});
        webMessageReceived_.Raise(sender, static_cast<ICoreWebView2WebMessageReceivedEventArgs*>(args.Get()));
    } else if (kind == "new_window") {
        const std::string uri = action.value("uri", std::string());
        auto args = TComPtr<TNewWindowRequestedArgs>::Adopt(new TNewWindowRequestedArgs(uri));
        newWindowRequested_.RaiseThen(
            [args, uri] {
                TDoubleHost::Instance().Record("new_window_requested", {{"uri", uri}, {"handled", args->Handled()}});
            },
            sender, static_cast<ICoreWebView2NewWindowRequestedEventArgs*>(args.Get()));
    } else if (kind == "permission") {
        const auto permission = static_cast<COREWEBVIEW2_PERMISSION_KIND>(action.value("kind", 0));
        auto args = TComPtr<TPermissionRequestedArgs>::Adopt(
            new TPermissionRequestedArgs(action.value("uri", source_), permission));
        permissionRequested_.RaiseThen(
            [args, permission] {
                TDoubleHost::Instance().Record("permission_answered", {{"kind", permission}, {"state", args->State()}});
            },
            sender, static_cast<ICoreWebView2PermissionRequestedEventArgs*>(args.Get()));
    } else if (kind == "script_dialog") {
        const auto dialog = static_cast<COREWEBVIEW2_SCRIPT_DIALOG_KIND>(action.value("kind", 0));
        auto args = TComPtr<TScriptDialogOpeningArgs>::Adopt(
            new TScriptDialogOpeningArgs(source_, dialog, action.value("message", std::string())));
        scriptDialogOpening_.RaiseThen(
            [args] {
                TDoubleHost::Instance().Record("script_dialog_answered",
                                               {{"accepted", args->Accepted()}, {"result", args->ResultText()}});
            },
            sender, static_cast<ICoreWebView2ScriptDialogOpeningEventArgs*>(args.Get()));
    } else if (kind == "title") {
        SetTitle(action.value("title", std::string()));
    } else if (kind == "process_failed") {
        const auto failure = static_cast<COREWEBVIEW2_PROCESS_FAILED_KIND>(action.value("kind", 0));
        auto args = TComPtr<TProcessFailedArgs>::Adopt(new TProcessFailedArgs(failure));
        host.Record("process_failed", {{"kind", failure}});
        processFailed_.Raise(sender, static_cast<ICoreWebView2ProcessFailedEventArgs*>(args.Get()));
    } else if (kind == "window_close") {
        host.Record("window_close_requested");
        windowCloseRequested_.Raise(sender, static_cast<IUnknown*>(nullptr));
    } else if (kind == "fullscreen") {
        containsFullScreenElement_ = action.value("value", true);
        host.Record("fullscreen", {{"value", containsFullScreenElement_}});
        containsFullScreenElementChanged_.Raise(sender, static_cast<IUnknown*>(nullptr));
    } else if (kind == "navigate") {
        RunNavigation(action.value("uri", std::string("about:blank")), std::nullopt);
    } else if (kind == "devtools_event") {
        const std::string name = action.value("name", std::string());
        const auto found = receivers_.find(name);
        host.Record("devtools_event", {{"name", name}});
        if (found == receivers_.end()) return;
        TComPtr<ICoreWebView2DevToolsProtocolEventReceiver> receiver = found->second;
        auto args = TComPtr<TDevToolsEventArgs>::Adopt(new TDevToolsEventArgs(action.value("json", std::string("{}"))));
        static_cast<TDevToolsReceiver*>(receiver.Get())
            ->Received()
            .Raise(sender, static_cast<ICoreWebView2DevToolsProtocolEventReceivedEventArgs*>(args.Get()));
    } else if (controller_ != nullptr) {
        controller_->PlayNow(action);
    } else {
        host.Record("unknown_action", {{"action", kind}});
    }
}

// ---- the controller ----

TDoubleController::TDoubleController(HWND parent)
    : view_(TComPtr<TDoubleWebView>::Adopt(new TDoubleWebView())), parent_(parent) {
    view_->SetController(this);
}

TDoubleController::~TDoubleController() {
    if (view_) view_->SetController(nullptr);
}

HRESULT TDoubleController::get_IsVisible(BOOL* isVisible) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    return Give(visible_, isVisible);
}

HRESULT TDoubleController::put_IsVisible(BOOL isVisible) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    visible_ = isVisible;
    TDoubleHost::Instance().Record("visible", {{"value", isVisible != FALSE}});
    return S_OK;
}

HRESULT TDoubleController::get_Bounds(RECT* bounds) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    return Give(bounds_, bounds);
}

HRESULT TDoubleController::put_Bounds(RECT bounds) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    bounds_ = bounds;
    TDoubleHost::Instance().Record(
        "bounds", {{"left", bounds.left}, {"top", bounds.top}, {"right", bounds.right}, {"bottom", bounds.bottom}});
    return S_OK;
}

HRESULT TDoubleController::get_ZoomFactor(double* zoomFactor) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    return Give(zoom_, zoomFactor);
}

HRESULT TDoubleController::put_ZoomFactor(double zoomFactor) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (!(zoomFactor > 0)) return E_INVALIDARG;
    const bool changed = zoomFactor != zoom_;
    zoom_ = zoomFactor;
    TDoubleHost::Instance().Record("zoom", {{"value", zoomFactor}});
    if (changed) zoomFactorChanged_.Raise(static_cast<ICoreWebView2Controller*>(this), static_cast<IUnknown*>(nullptr));
    return S_OK;
}

HRESULT TDoubleController::SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    put_Bounds(bounds);
    return put_ZoomFactor(zoomFactor);
}

HRESULT TDoubleController::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    TDoubleHost::Instance().Record("move_focus", {{"reason", reason}});
    return S_OK;
}

HRESULT TDoubleController::get_ParentWindow(HWND* parentWindow) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    return Give(parent_, parentWindow);
}

HRESULT TDoubleController::put_ParentWindow(HWND parentWindow) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    parent_ = parentWindow;
    return S_OK;
}

HRESULT TDoubleController::Close() {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (closed_) return S_OK;
    closed_ = true;
    TDoubleHost& host = TDoubleHost::Instance();
    const std::size_t left = view_->HandlerCount() + zoomFactorChanged_.Count() + moveFocusRequested_.Count() +
                             gotFocus_.Count() + lostFocus_.Count() + acceleratorKeyPressed_.Count();
    host.Record("controller_closed", {{"handlers_left", left}});
    view_->Close();
    zoomFactorChanged_.Clear();
    moveFocusRequested_.Clear();
    gotFocus_.Clear();
    lostFocus_.Clear();
    acceleratorKeyPressed_.Clear();
    return S_OK;
}

HRESULT TDoubleController::get_CoreWebView2(ICoreWebView2** coreWebView2) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (coreWebView2 == nullptr) return E_POINTER;
    *coreWebView2 = nullptr;
    if (closed_) return E_FAIL;
    *coreWebView2 = view_.Get();
    (*coreWebView2)->AddRef();
    return S_OK;
}

void TDoubleController::PlayNow(const nlohmann::json& action) {
    if (closed_) return;
    TDoubleHost& host = TDoubleHost::Instance();
    const std::string kind = action.value("action", std::string());
    ICoreWebView2Controller* sender = this;
    if (kind == "accelerator_key") {
        auto args = TComPtr<TAcceleratorKeyPressedArgs>::Adopt(
            new TAcceleratorKeyPressedArgs(static_cast<COREWEBVIEW2_KEY_EVENT_KIND>(action.value("kind", 0)),
                                           action.value("key", 0u), action.value("lparam", 0)));
        const unsigned key = action.value("key", 0u);
        acceleratorKeyPressed_.RaiseThen(
            [args, key] {
                TDoubleHost::Instance().Record("accelerator_key", {{"key", key}, {"handled", args->Handled()}});
            },
            sender, static_cast<ICoreWebView2AcceleratorKeyPressedEventArgs*>(args.Get()));
    } else if (kind == "move_focus") {
        auto args = TComPtr<TMoveFocusRequestedArgs>::Adopt(
            new TMoveFocusRequestedArgs(static_cast<COREWEBVIEW2_MOVE_FOCUS_REASON>(action.value("reason", 1))));
        moveFocusRequested_.RaiseThen(
            [args] {
                TDoubleHost::Instance().Record("move_focus_requested", {{"handled", args->Handled()}});
            },
            sender, static_cast<ICoreWebView2MoveFocusRequestedEventArgs*>(args.Get()));
    } else if (kind == "got_focus") {
        host.Record("got_focus");
        gotFocus_.Raise(sender, static_cast<IUnknown*>(nullptr));
    } else if (kind == "lost_focus") {
        host.Record("lost_focus");
        lostFocus_.Raise(sender, static_cast<IUnknown*>(nullptr));
    } else if (kind == "zoom") {
        put_ZoomFactor(action.value("factor", 1.0));
    } else {
        host.Record("unknown_action", {{"action", kind}});
    }
}

// ---- the environment ----

HRESULT TDoubleEnvironment::CreateCoreWebView2Controller(
    HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (handler == nullptr) return E_POINTER;
    TDoubleHost& host = TDoubleHost::Instance();
    host.EnsureDispatcher();
    host.Record("create_controller", {{"thread", host.CurrentThread()}});
    const HRESULT result = host.Scenario().value("controller_result", 0);
    TComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> kept(handler);
    // Completes on this thread (the environment's), which then owns the controller and browser.
    PostToOwner("controller_completion", [kept, result, parentWindow] {
        TDoubleHost& dispatchHost = TDoubleHost::Instance();
        if (FAILED(result)) {
            dispatchHost.Record("controller_failed", {{"result", result}});
            kept->Invoke(result, nullptr);
            return;
        }
        auto controller = TComPtr<TDoubleController>::Adopt(new TDoubleController(parentWindow));
        TComPtr<ICoreWebView2> view;
        controller->get_CoreWebView2(view.Put());
        auto* browser = static_cast<TDoubleWebView*>(view.Get());
        dispatchHost.SetActiveWebView(browser, browser->OwnerThread());
        // The completion handler is host code of the new browser: what it starts waits for it.
        browser->Gate().Call("CreateCoreWebView2ControllerCompleted",
                             [kept, controller] { kept->Invoke(S_OK, controller.Get()); });
        dispatchHost.Record("controller_created", {{"thread", dispatchHost.CurrentThread()}});
    });
    return S_OK;
}

HRESULT TDoubleEnvironment::CreateWebResourceResponse(IStream* content, int statusCode, LPCWSTR reasonPhrase,
                                                      LPCWSTR headers, ICoreWebView2WebResourceResponse** response) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    if (response == nullptr) return E_POINTER;
    // The response belongs to this thread; only its content is read elsewhere.
    *response = new TWebResourceResponse(content, statusCode, FromWide(reasonPhrase), FromWide(headers));
    return S_OK;
}

HRESULT TDoubleEnvironment::get_BrowserVersionString(LPWSTR* versionInfo) {
    VELLUM_DOUBLE_OWNER_THREAD_ONLY();
    return GiveString(TDoubleHost::Instance().BrowserVersion(), versionInfo);
}

HRESULT CreateEnvironment(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler, const char* exportName) {
    TDoubleHost& host = TDoubleHost::Instance();
    host.LoadFromEnvironment();
    if (handler == nullptr) return E_POINTER;
    const std::uint64_t thread = host.CurrentThread();
    // WebView2 lives in a single-threaded apartment: the caller's thread must have joined one.
    const std::string apartment = CallingThreadApartment();
    HRESULT immediate = host.Scenario().value("environment_immediate_result", 0);
    if (apartment == "none")
        immediate = CO_E_NOTINITIALIZED;
    else if (apartment != "sta")
        immediate = RPC_E_CHANGED_MODE;
    host.Record("create_environment",
                {{"thread", thread}, {"apartment", apartment}, {"result", immediate}, {"export", exportName}});
    if (FAILED(immediate)) return immediate;
    // The completion comes through this thread's message queue (Windows: a message-only window
    // it owns, one per thread), so a thread that ends or does not pump never gets it.
    host.EnsureDispatcher();
    const HRESULT result = host.Scenario().value("environment_result", 0);
    TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> kept(handler);
    host.BeginBackgroundWork();
    std::thread([kept = std::move(kept), result, thread]() mutable {
        TDoubleHost& threadHost = TDoubleHost::Instance();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        // The completion waits in a slot the posted message takes it from, so that one lost with
        // its thread can still be dropped here (releasing the host's handler).
        auto delivery = std::make_shared<TDelivery>();
        delivery->Work = [kept, result] {
            TDoubleHost& uiHost = TDoubleHost::Instance();
            if (FAILED(result)) {
                kept->Invoke(result, nullptr);
            } else {
                // Created here, on the thread that asked: the environment belongs to it.
                auto environment = TComPtr<ICoreWebView2Environment>::Adopt(new TDoubleEnvironment());
                kept->Invoke(S_OK, environment.Get());
            }
            uiHost.Record("environment_completed", {{"result", result}, {"thread", uiHost.CurrentThread()}});
        };
        kept.Reset();
        const bool posted = threadHost.DispatchTo(thread, "", [delivery] { delivery->Run(); });
        std::string undelivered;
        if (!posted) {
            undelivered = !threadHost.HasDispatcher(thread) ? "no_dispatcher"
                          : threadHost.ThreadGone(thread)   ? "thread_ended"
                                                            : "post_failed";
        } else if (threadHost.TracksThreadEnd(thread)) {
            // Where the platform can tell that a thread has ended (Windows), a completion lost
            // with its thread is recorded too; a live thread that does not pump keeps it queued.
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            while (!delivery->Taken() && std::chrono::steady_clock::now() < until) {
                if (threadHost.ThreadGone(thread)) {
                    if (!delivery->Taken()) undelivered = "thread_ended";
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        if (!undelivered.empty()) {
            delivery->Drop();
            threadHost.Record("environment_completion_undeliverable", {{"thread", thread}, {"reason", undelivered}});
        }
        threadHost.EndBackgroundWork();
    }).detach();
    return S_OK;
}

void PlayAction(const nlohmann::json& action) {
    TDoubleWebView* view = TDoubleHost::Instance().ActiveWebView();
    if (view == nullptr) {
        TDoubleHost::Instance().Record("action_without_browser", {{"action", action.value("action", std::string())}});
        return;
    }
    TComPtr<TDoubleWebView> keep(view);
    view->Play(action);
}

}  // namespace vellum::webview2_double
