#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "browser/browser_page.h"

namespace vellum::testing {

// A page that records what the host asks of it; answers that are not JSON are refused, as the
// browser runtime refuses them.
class TRecordingPage final : public IBrowserPage {
public:
    void SetPageEvents(IPageEvents* events) override { Events = events; }
    void Navigate(const std::string& url) override { Navigations.push_back(url); }
    void ExecuteScript(const std::string& script) override { Scripts.push_back(script); }
    bool PostWebMessageAsJson(const std::string& json) override {
        if (!nlohmann::json::accept(json)) return false;
        Answers.push_back(json);
        return true;
    }
    void AddDocumentScript(const std::string& script) override { DocumentScripts.push_back(script); }
    void ApplySwitches(const TPageSwitches&) override { ++SwitchesApplied; }
    void FilterResources(const std::string& pattern) override { Filters.push_back(pattern); }
    double ZoomFactor() const override { return Zoom; }
    void SetZoomFactor(double factor) override {
        Zoom = factor;
        ZoomSettings.push_back(factor);
    }
    void SetFocus() override { ++FocusRequests; }
    std::uintptr_t PageWindowHandle() override { return 0x5150; }

    IPageEvents* Events = nullptr;
    std::vector<std::string> Navigations;
    std::vector<std::string> Scripts;
    std::vector<std::string> Answers;
    std::vector<std::string> DocumentScripts;
    std::vector<std::string> Filters;
    std::vector<double> ZoomSettings;
    double Zoom = 1.0;
    int SwitchesApplied = 0;
    int FocusRequests = 0;
};

}  // namespace vellum::testing
