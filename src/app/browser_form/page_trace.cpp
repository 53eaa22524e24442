#include "app/browser_form/page_trace.h"

#include <nlohmann/json.hpp>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vellum {

namespace {

// Text as a JSON string; bytes that are not UTF-8 become U+FFFD rather than failing the line.
std::string Quoted(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// JSON text as itself when it parses, else as a string, so the trace stays one valid object.
std::string Embedded(const std::string& json) {
    return nlohmann::json::accept(json) ? nlohmann::json::parse(json).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                                        : Quoted(json);
}

std::string ContentType(const std::string& headers) {
    const std::string key = "content-type:";
    std::string folded = headers;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const std::size_t at = folded.find(key);
    if (at == std::string::npos) return {};
    std::size_t begin = at + key.size();
    while (begin < headers.size() && headers[begin] == ' ') ++begin;
    const std::size_t end = headers.find_first_of("\r\n", begin);
    return headers.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

long ProcessId() {
#ifdef _WIN32
    return static_cast<long>(GetCurrentProcessId());
#else
    return static_cast<long>(getpid());
#endif
}

}  // namespace

TPageTraceFile::TPageTraceFile(const std::filesystem::path& path) : start_(std::chrono::steady_clock::now()) {
#ifdef _WIN32
    file_ = _wfopen(path.c_str(), L"ab");
#else
    file_ = std::fopen(path.c_str(), "ab");
#endif
    if (file_ == nullptr) std::fprintf(stderr, "vellum: cannot open the trace file %s\n", path.string().c_str());
}

TPageTraceFile::~TPageTraceFile() {
    if (file_ != nullptr) std::fclose(file_);
}

void TPageTraceFile::Write(const std::string& fields) {
    if (file_ == nullptr) return;
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "{\"time\": %.3f, \"pid\": %ld, ", milliseconds, ProcessId());
    const std::string line = prefix + fields + "}\n";
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

TTracingPage::TTracingPage(IBrowserPage& page, std::unique_ptr<TPageTraceFile> trace)
    : page_(page), trace_(std::move(trace)) {}

TTracingPage::~TTracingPage() {
    if (events_ != nullptr) page_.SetPageEvents(nullptr);
}

void TTracingPage::SetPageEvents(IPageEvents* events) {
    if (events != nullptr && events_ != nullptr && events_ != events) return;
    events_ = events;
    page_.SetPageEvents(events != nullptr ? static_cast<IPageEvents*>(this) : nullptr);
}

void TTracingPage::Navigate(const std::string& url) {
    trace_->Write("\"event\": \"navigate\", \"uri\": " + Quoted(url));
    page_.Navigate(url);
}

void TTracingPage::ExecuteScript(const std::string& script) {
    trace_->Write("\"event\": \"script\", \"script\": " + Quoted(script));
    page_.ExecuteScript(script);
}

bool TTracingPage::PostWebMessageAsJson(const std::string& json) {
    const bool posted = page_.PostWebMessageAsJson(json);
    trace_->Write("\"event\": \"answer\", \"posted\": " + std::string(posted ? "true" : "false") +
                  ", \"message\": " + Embedded(json));
    return posted;
}

void TTracingPage::AddDocumentScript(const std::string& script) { page_.AddDocumentScript(script); }
void TTracingPage::ApplySwitches(const TPageSwitches& switches) { page_.ApplySwitches(switches); }
void TTracingPage::FilterResources(const std::string& pattern) { page_.FilterResources(pattern); }
double TTracingPage::ZoomFactor() const { return page_.ZoomFactor(); }
void TTracingPage::SetZoomFactor(double factor) { page_.SetZoomFactor(factor); }
void TTracingPage::SetFocus() { page_.SetFocus(); }
std::uintptr_t TTracingPage::PageWindowHandle() { return page_.PageWindowHandle(); }

void TTracingPage::PageReady(bool succeeded) {
    trace_->Write("\"event\": \"ready\", \"succeeded\": " + std::string(succeeded ? "true" : "false"));
    if (events_ != nullptr) events_->PageReady(succeeded);
}

void TTracingPage::PageMessageReceived(const TPageMessage& message) {
    trace_->Write("\"event\": \"request\", \"message\": " + Embedded(message.Json));
    if (events_ != nullptr) events_->PageMessageReceived(message);
}

std::optional<TPageResource> TTracingPage::PageResourceRequested(const std::string& uri) {
    std::optional<TPageResource> resource = events_ != nullptr ? events_->PageResourceRequested(uri) : std::nullopt;
    if (resource)
        trace_->Write("\"event\": \"resource\", \"uri\": " + Quoted(uri) + ", \"status\": " +
                      std::to_string(resource->Status) + ", \"type\": " + Quoted(ContentType(resource->Headers)) +
                      ", \"bytes\": " + std::to_string(resource->Body.size()));
    else
        trace_->Write("\"event\": \"resource\", \"uri\": " + Quoted(uri) + ", \"status\": null");
    return resource;
}

bool TTracingPage::PageNewWindowRequested(const std::string& uri) {
    const bool taken = events_ != nullptr && events_->PageNewWindowRequested(uri);
    trace_->Write("\"event\": \"new-window\", \"uri\": " + Quoted(uri) + ", \"taken\": " + (taken ? "true" : "false"));
    return taken;
}

bool TTracingPage::PagePermissionRequested(const std::string& uri) {
    return events_ != nullptr && events_->PagePermissionRequested(uri);
}

void TTracingPage::PageTitleChanged(const std::string& title) {
    if (events_ != nullptr) events_->PageTitleChanged(title);
}

void TTracingPage::PageNavigationCompleted(bool succeeded) {
    trace_->Write("\"event\": \"navigation\", \"succeeded\": " + std::string(succeeded ? "true" : "false"));
    if (events_ != nullptr) events_->PageNavigationCompleted(succeeded);
}

void TTracingPage::PageConsoleMessage(const std::string& level, const std::string& text) {
    trace_->Write("\"event\": \"console\", \"level\": " + Quoted(level) + ", \"text\": " + Quoted(text));
    if (events_ != nullptr) events_->PageConsoleMessage(level, text);
}

}  // namespace vellum
