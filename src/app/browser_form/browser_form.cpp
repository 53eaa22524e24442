#include "app/browser_form/browser_form.h"

#include <algorithm>

#include "app/browser_form/preview_files.h"
#include "core/archive/zip_archive.h"
#include "core/stream/stream.h"
#include "core/text/ascii_case.h"
#include "core/text/str_utils.h"
#include "core/text/utf.h"
#include "platform/trace_file.h"

namespace vellum {

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

std::unique_ptr<TTracingPage> TracingPageFor(IBrowserPage& page) {
    const std::optional<std::filesystem::path> path = TraceFilePath();
    if (!path) return nullptr;
    return std::make_unique<TTracingPage>(page, std::make_unique<TPageTraceFile>(*path));
}

}  // namespace

TBrowserForm::TBrowserForm(IBrowserPage& page, IBrowserFormPlatform& platform, std::string appDirPath)
    : AppDirPath(std::move(appDirPath)),
      tracing_(TracingPageFor(page)),
      FPage(tracing_ ? *tracing_ : page),
      platform_(platform) {
    FPage.SetPageEvents(this);
}

TBrowserForm::~TBrowserForm() {
    FPage.SetPageEvents(nullptr);
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

void TBrowserForm::PageReady(bool succeeded) {
    if (!succeeded) return;
    FPage.AddDocumentScript(PageScript());
    TPageSwitches switches;
    switches.ZoomControl = AllowZoom;
    switches.DevTools = AllowDebug;
    switches.ContextMenus = AllowContextMenu;
    FPage.ApplySwitches(switches);
    FPage.FilterResources("*");
    if (!StartPageURL.empty()) FPage.Navigate(StartPageURL);
}

void TBrowserForm::PageNavigationCompleted(bool) {
    platform_.HideProgressBar();
}

void TBrowserForm::PageTitleChanged(const std::string& title) {
    if (OnPageTitleChanged) OnPageTitleChanged(title);
}

bool TBrowserForm::PageNewWindowRequested(const std::string& address) {
    if (!IsRuntime || !StartsWithIgnoringCase(address, "file:")) return false;
    platform_.StartNewInstance("\"" + RuntimeAppID + "\" \"" + address + "\"");
    return true;
}

bool TBrowserForm::PagePermissionRequested(const std::string&) {
    return true;
}

void TBrowserForm::PageMessageReceived(const TPageMessage& message) {
    if (OnPageMessage)
        OnPageMessage(message);
    else if (!IsRuntime && message.PlainText == kPreviewClick)
        platform_.FocusWindowAbove(2);
}

std::optional<std::vector<std::uint8_t>> TBrowserForm::FindResource(const std::string& uri, std::string& type) {
    std::string path = ReplaceAll(uri, kFileScheme, "");
    if (const std::size_t query = path.find('?'); query != std::string::npos) path.resize(query);
    path = ReplaceAll(path, "%20", " ");
    type = LowerExtension(path) == ".js" ? "application/javascript" : TStrUtils::GetFileMIMEType(FileNameOf(path));

    if (!PreviewFolder.empty()) {
        const auto file = ResolvePreviewFile(PathFromUtf8(PreviewFolder), path);
        if (!file) return std::nullopt;
        return platform_.ReadWholeFile(PathToUtf8(*file));
    }
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

std::optional<TPageResource> TBrowserForm::PageResourceRequested(const std::string& address) {
    if (!HandleRequests || !StartsWithIgnoringCase(address, kFileScheme)) return std::nullopt;
    std::string type;
    std::optional<std::vector<std::uint8_t>> bytes = FindResource(address, type);
    if (!bytes) return std::nullopt;
    TPageResource resource;
    resource.Headers = "Content-Type: " + type + "; charset=utf-8";
    resource.Body = std::move(*bytes);
    return resource;
}

}  // namespace vellum
