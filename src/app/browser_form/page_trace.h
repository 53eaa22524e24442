#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "browser/browser_page.h"

namespace vellum {

// Appends one JSON object per line to a trace file: what a page asked, what it was answered,
// what it was served and what it wrote to its console, for users chasing a fault and for tests
// that read what a real engine did. Every line is written whole and flushed at once, so several
// processes of one app (new windows start new instances) can share one file.
class TPageTraceFile {
public:
    // Throws nothing: a file that cannot be opened leaves the trace silent (reported once on
    // standard error).
    explicit TPageTraceFile(const std::filesystem::path& path);
    ~TPageTraceFile();
    TPageTraceFile(const TPageTraceFile&) = delete;
    TPageTraceFile& operator=(const TPageTraceFile&) = delete;

    // `fields` is the inside of a JSON object ("\"event\": ..."); time and process are added.
    void Write(const std::string& fields);

private:
    std::FILE* file_ = nullptr;
    std::chrono::steady_clock::time_point start_;
};

// The page seam with a trace on both directions: it stands between the real page and its one
// receiver of events and writes every page message ("request"), posted JSON message ("answer"),
// script run in the page ("script"), served or refused resource ("resource"), console message
// ("console"), completed navigation ("navigation") and readiness ("ready").
class TTracingPage final : public IBrowserPage, private IPageEvents {
public:
    TTracingPage(IBrowserPage& page, std::unique_ptr<TPageTraceFile> trace);
    ~TTracingPage() override;
    TTracingPage(const TTracingPage&) = delete;
    TTracingPage& operator=(const TTracingPage&) = delete;

    void SetPageEvents(IPageEvents* events) override;
    void Navigate(const std::string& url) override;
    void ExecuteScript(const std::string& script) override;
    bool PostWebMessageAsJson(const std::string& json) override;
    void AddDocumentScript(const std::string& script) override;
    void ApplySwitches(const TPageSwitches& switches) override;
    void FilterResources(const std::string& pattern) override;
    double ZoomFactor() const override;
    void SetZoomFactor(double factor) override;
    void SetFocus() override;
    std::uintptr_t PageWindowHandle() override;

private:
    void PageReady(bool succeeded) override;
    void PageMessageReceived(const TPageMessage& message) override;
    std::optional<TPageResource> PageResourceRequested(const std::string& uri) override;
    bool PageNewWindowRequested(const std::string& uri) override;
    bool PagePermissionRequested(const std::string& uri) override;
    void PageTitleChanged(const std::string& title) override;
    void PageNavigationCompleted(bool succeeded) override;
    void PageConsoleMessage(const std::string& level, const std::string& text) override;

    IBrowserPage& page_;
    std::unique_ptr<TPageTraceFile> trace_;
    IPageEvents* events_ = nullptr;
};

}  // namespace vellum
