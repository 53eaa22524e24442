#pragma once

#include <memory>
#include <string>

#include "app/browser_form/browser_form.h"
#include "app/browser_form/instance_parameters.h"
#include "browser/webkit/webkit_page.h"

typedef struct _GtkWidget GtkWidget;

namespace vellum {

// The browser form's widget on Linux: the WebKitGTK page above a thin busy bar, in one box the
// main window packs. The bar pulses until the first page load ends.
class TBrowserFormGtk final : public IBrowserFormPlatform {
public:
    // `engineDataDir`: the engine's own data folder (the app's browser folder).
    explicit TBrowserFormGtk(const std::string& engineDataDir);
    ~TBrowserFormGtk() override;
    TBrowserFormGtk(const TBrowserFormGtk&) = delete;
    TBrowserFormGtk& operator=(const TBrowserFormGtk&) = delete;

    TBrowserForm& Form() { return *form_; }
    GtkWidget* Widget() const { return box_; }

    void HideProgressBar() override;
    void FocusWindowAbove(int levels) override;
    void StartNewInstance(const std::string& parameters) override;
    std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) override;
    std::string LibraryScript() override;
    char PathDelimiter() const override { return '/'; }

private:
    static int Pulse(void* bar);

    GtkWidget* box_ = nullptr;
    GtkWidget* progressBar_ = nullptr;
    unsigned pulseSource_ = 0;
    std::unique_ptr<TWebKitPage> page_;
    std::unique_ptr<TBrowserForm> form_;
};

}  // namespace vellum
