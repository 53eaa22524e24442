#pragma once

#include <string>

#include "browser/browser_page.h"

namespace vellum {

// A page for benchmarks of the bridge: it does nothing but take answers, which a subclass
// looks at in `PostWebMessageAsJson`.
class TAnswerOnlyPage : public IBrowserPage {
public:
    void SetPageEvents(IPageEvents*) override {}
    void Navigate(const std::string&) override {}
    void ExecuteScript(const std::string&) override {}
    void AddDocumentScript(const std::string&) override {}
    void ApplySwitches(const TPageSwitches&) override {}
    void FilterResources(const std::string&) override {}
    double ZoomFactor() const override { return 1; }
    void SetZoomFactor(double) override {}
    void SetFocus() override {}
    std::uintptr_t PageWindowHandle() override { return 0; }
};

}  // namespace vellum
