#include "app/browser_form/browser_form.h"

#include <algorithm>

#include "core/archive/zip_archive.h"
#include "core/stream/stream.h"
#include "core/text/ascii_case.h"
#include "core/text/str_utils.h"
#include "webview2/stream_adapter.h"
#include "webview2/wide_text.h"

namespace vellum {

using namespace webview2;

namespace {

const char* const kDragOverGuard = "window.addEventListener(\"dragover\", function(e){e.preventDefault();},false);";
const char* const kDropGuard = "window.addEventListener(\"drop\", function(e){e.preventDefault();}, false);";
const char* const kClickReporter =
    "window.addEventListener(\"click\", function () "
    "{window.chrome.webview.postMessage(\"vlm-webbrowser-clicked\");});";
const char* const kPreviewClick = "vlm-webbrowser-clicked";
const char* const kFileScheme = "file:///";

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

bool IsBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

std::string LowerExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return FoldAsciiCase(path.substr(dot));
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TBrowserForm::TBrowserForm(TEdgeBrowser& browser, IBrowserFormPlatform& platform, std::string appDirPath)
    : AppDirPath(std::move(appDirPath)), FEdgeBrowser(browser), platform_(platform) {
    FEdgeBrowser.OnCreateWebViewCompleted = [this](TCustomEdgeBrowser*, HRESULT result) { BrowserReady(result); };
    FEdgeBrowser.OnNavigationCompleted = [this](TCustomEdgeBrowser*, bool, COREWEBVIEW2_WEB_ERROR_STATUS) {
        NavigationCompleted();
    };
    FEdgeBrowser.OnNewWindowRequested = [this](TCustomEdgeBrowser*, TNewWindowRequestedEventArgs& args) {
        NewWindowRequested(args);
    };
    FEdgeBrowser.OnPermissionRequested = [this](TCustomEdgeBrowser*, TPermissionRequestedEventArgs& args) {
        PermissionRequested(args);
    };
    FEdgeBrowser.OnWebResourceRequested = [this](TCustomEdgeBrowser*, TWebResourceRequestedEventArgs& args) {
        WebResourceRequested(args);
    };
    FEdgeBrowser.OnWebMessageReceived = [this](TCustomEdgeBrowser*, TWebMessageReceivedEventArgs& args) {
        WebMessageReceived(args);
    };
    FEdgeBrowser.OnProcessFailed = [](TCustomEdgeBrowser*, COREWEBVIEW2_PROCESS_FAILED_KIND) {};
}

std::string TBrowserForm::PageScript() const {
    std::string script;
    const auto append = [&script](const std::string& piece) {
        script += '\r';
        script += piece;
    };
    if (WithExternal) append(platform_.LibraryScript());
    append(kDragOverGuard);
    append(kDropGuard);
    if (IsRuntime && !IsBlank(WebviewJavascript)) append(WebviewJavascript);
    if (!IsRuntime) append(kClickReporter);
    return script;
}

void TBrowserForm::BrowserReady(HRESULT result) {
    if (FAILED(result)) return;
    ICoreWebView2* view = FEdgeBrowser.DefaultInterface();
    if (view != nullptr) view->AddScriptToExecuteOnDocumentCreated(TWideText(PageScript()).Get(), nullptr);
    if (ICoreWebView2Settings* settings = FEdgeBrowser.SettingsInterface()) {
        const auto flag = [](bool value) -> BOOL { return value ? TRUE : FALSE; };
        settings->put_IsScriptEnabled(TRUE);
        settings->put_IsStatusBarEnabled(FALSE);
        settings->put_IsWebMessageEnabled(TRUE);
        settings->put_IsBuiltInErrorPageEnabled(TRUE);
        settings->put_IsZoomControlEnabled(flag(AllowZoom));
        settings->put_AreDevToolsEnabled(flag(AllowDebug));
        settings->put_AreDefaultContextMenusEnabled(flag(AllowContextMenu));
    }
    FEdgeBrowser.AddWebResourceRequestedFilter("*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    if (!StartPageURL.empty()) FEdgeBrowser.Navigate(StartPageURL);
}

void TBrowserForm::NavigationCompleted() {
    platform_.HideProgressBar();
}

void TBrowserForm::NewWindowRequested(TNewWindowRequestedEventArgs& args) {
    if (!IsRuntime) return;
    LPWSTR uri = nullptr;
    args.ArgsInterface()->get_Uri(&uri);
    const std::string address = TakeWideString(uri);
    if (!StartsWithIgnoringCase(address, "file:")) return;
    args.ArgsInterface()->put_Handled(TRUE);
    platform_.StartNewInstance("\"" + RuntimeAppID + "\" \"" + address + "\"");
}

void TBrowserForm::PermissionRequested(TPermissionRequestedEventArgs& args) {
    args.ArgsInterface()->put_State(COREWEBVIEW2_PERMISSION_STATE_ALLOW);
}

void TBrowserForm::WebMessageReceived(TWebMessageReceivedEventArgs& args) {
    LPWSTR text = nullptr;
    args.ArgsInterface()->TryGetWebMessageAsString(&text);
    if (!IsRuntime && TakeWideString(text) == kPreviewClick) platform_.FocusWindowAbove(2);
}

std::optional<std::vector<std::uint8_t>> TBrowserForm::FindResource(const std::string& uri, std::string& type) {
    std::string path = ReplaceAll(uri, kFileScheme, "");
    if (const std::size_t query = path.find('?'); query != std::string::npos) path.resize(query);
    path = ReplaceAll(path, "%20", " ");
    type = LowerExtension(path) == ".js" ? "application/javascript" : TStrUtils::GetFileMIMEType(FileNameOf(path));

    if (!AppDirName.empty() && ExeZip != nullptr) {
        const std::string entry = AppDirName + "/" + path;
        if (ExeZip->FindFile(entry) >= 0) {
            TMemoryStream content;
            if (ExeZip->ExtractToStreamChecked(entry, content) == TExtractResult::Ok) return content.Bytes();
        }
    }
    std::string beside = path;
    std::replace(beside.begin(), beside.end(), '/', platform_.PathDelimiter());
    if (auto bytes = platform_.ReadWholeFile(AppDirPath + beside)) return bytes;
    return platform_.ReadWholeFile(ReplaceAll(uri, kFileScheme, ""));
}

void TBrowserForm::WebResourceRequested(TWebResourceRequestedEventArgs& args) {
    if (!HandleRequests) return;
    TComPtr<ICoreWebView2WebResourceRequest> request;
    if (FAILED(args.ArgsInterface()->get_Request(request.Put())) || !request) return;
    LPWSTR uri = nullptr;
    request->get_Uri(&uri);
    const std::string address = TakeWideString(uri);
    if (!StartsWithIgnoringCase(address, kFileScheme)) return;
    std::string type;
    if (auto bytes = FindResource(address, type)) Answer(args, std::move(*bytes), type);
}

void TBrowserForm::Answer(TWebResourceRequestedEventArgs& args, std::vector<std::uint8_t> bytes,
                          const std::string& type) {
    ICoreWebView2Environment* environment = FEdgeBrowser.EnvironmentInterface();
    if (environment == nullptr) return;
    auto content = TComPtr<IStream>::Adopt(new TStreamAdapter(std::make_unique<TMemoryStream>(std::move(bytes))));
    TComPtr<ICoreWebView2WebResourceResponse> response;
    const std::string headers = "Content-Type: " + type + "; charset=utf-8";
    if (SUCCEEDED(environment->CreateWebResourceResponse(content.Get(), 200, TWideText("OK").Get(),
                                                         TWideText(headers).Get(), response.Put())))
        args.ArgsInterface()->put_Response(response.Get());
}

}  // namespace vellum
