#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "browser/browser_page.h"

typedef struct _GtkWidget GtkWidget;

namespace vellum {

// What the WebKitGTK page needs from its host at creation.
struct TWebKitPageOptions {
    // The engine's own data (cookies, local storage, caches) and the page's web extension
    // live below this folder; it is created when missing.
    std::string DataDir;
};

// The page seam over WebKitGTK 4.1: one WebKitWebView that the host window packs (Widget()).
// The page sees its app's files at "file:///" addresses as it would on Windows; every such
// request reaches IPageEvents::PageResourceRequested, served through a scheme of our own.
// Created, called and destroyed on the GTK main thread; every event arrives there. PageReady
// is reported from the main loop after construction, as the WebView2 control reports it.
class TWebKitPage final : public IBrowserPage {
public:
    explicit TWebKitPage(const TWebKitPageOptions& options);
    ~TWebKitPage() override;
    TWebKitPage(const TWebKitPage&) = delete;
    TWebKitPage& operator=(const TWebKitPage&) = delete;

    // The WebKitWebView, owned by the page (a reference is held until the page is destroyed).
    GtkWidget* Widget();

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
    // The page has no native window handle of its own on GTK: 0.
    std::uintptr_t PageWindowHandle() override;

    struct TImpl;

private:
    std::unique_ptr<TImpl> impl_;
};

}  // namespace vellum
