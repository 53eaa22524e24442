// The window family: the main window's style, state, caption, zoom, bounds and border, in the
// page's words ("ontop", "minimized", "sizetoolwindow", ...), compared exactly.
#include <array>
#include <cstdio>

#include "bridge/bridge_arguments.h"
#include "bridge/browser_external_module.h"
#include "bridge/function_families.h"
#include "bridge/main_window_access.h"
#include "bridge/number_text.h"
#include "core/text/str_utils.h"

namespace vellum {

namespace {

constexpr std::array<const char*, 6> kBorderWords = {"none",   "single",     "sizeable",
                                                     "dialog", "toolwindow", "sizetoolwindow"};

const char* StateWord(TWindowState state) {
    switch (state) {
        case TWindowState::Minimized: return "minimized";
        case TWindowState::Maximized: return "maximized";
        default: return "normal";
    }
}

std::string Quoted(const char* word) {
    return TStrUtils::StringToJsonString(word);
}

void SetState(TBrowserExternalModule& module, const std::string& word) {
    IAppMainWindow& window = MainWindowOf(module);
    const bool trayIcon = module.BrowserExternalForm().IconVisible();
    if (word == "normal" || word == "maximized") {
        window.SetState(word == "normal" ? TWindowState::Normal : TWindowState::Maximized);
        if (trayIcon) window.ShowAndBringToFront();
    } else if (word == "minimized") {
        window.SetState(TWindowState::Minimized);
        if (trayIcon) window.Hide();
    }
}

std::string BoundsAsJson(const TWindowBounds& bounds) {
    char text[128];
    std::snprintf(text, sizeof text, "{\"top\": %d, \"left\": %d, \"width\": %d, \"height\": %d}", bounds.Top,
                  bounds.Left, bounds.Width, bounds.Height);
    return text;
}

TWindowBounds RequestedBounds(const nlohmann::json& data, TWindowBounds bounds) {
    // In this order, each defaulting to the window's current value.
    bounds.Top = LenientToInt32(ReadArgString(data, "top", std::to_string(bounds.Top)));
    bounds.Left = LenientToInt32(ReadArgString(data, "left", std::to_string(bounds.Left)));
    bounds.Width = LenientToInt32(ReadArgString(data, "width", std::to_string(bounds.Width)));
    bounds.Height = LenientToInt32(ReadArgString(data, "height", std::to_string(bounds.Height)));
    return bounds;
}

}  // namespace

void RegisterWindowFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    using Id = TFunctionId;
    dispatcher.Register(Id::WindowGetStyle, [&module](const TBridgeRequest& request) {
        module.PostSuccess(request.Uuid, Quoted(MainWindowOf(module).StaysOnTop() ? "ontop" : "normal"));
    });
    dispatcher.Register(Id::WindowSetStyle, [&module](const TBridgeRequest& request) {
        MainWindowOf(module).SetStaysOnTop(ReadArgString(request.Data, "style", "normal") == "ontop");
        module.PostSuccess(request.Uuid, "true");
    });
    dispatcher.Register(Id::WindowGetState, [&module](const TBridgeRequest& request) {
        module.PostSuccess(request.Uuid, Quoted(StateWord(MainWindowOf(module).State())));
    });
    dispatcher.Register(Id::WindowSetState, [&module](const TBridgeRequest& request) {
        SetState(module, ReadArgString(request.Data, "state", "normal"));
        module.PostSuccess(request.Uuid, "true");
    });
    dispatcher.Register(Id::WindowGetTitle, [&module](const TBridgeRequest& request) {
        module.PostSuccess(request.Uuid, TStrUtils::StringToJsonString(MainWindowOf(module).Caption()));
    });
    dispatcher.Register(Id::WindowSetTitle, [&module](const TBridgeRequest& request) {
        MainWindowOf(module).SetCaption(ReadArgString(request.Data, "title"));
        module.PostSuccess(request.Uuid, "true");
    });
    dispatcher.Register(Id::WindowGetZoom, [&module](const TBridgeRequest& request) {
        const double factor = module.BrowserForm != nullptr ? module.BrowserForm->ZoomFactor() : 0;
        const THostInfo& host = module.Services().Host;
        const std::string separator = host.DecimalSeparator ? host.DecimalSeparator() : ".";
        module.PostSuccess(request.Uuid, TStrUtils::StringToJsonString(FormatGeneralNumber(factor, separator)));
    });
    dispatcher.Register(Id::WindowSetZoom, [&module](const TBridgeRequest& request) {
        const std::optional<double> factor = ParseInvariantNumber(ReadArgString(request.Data, "factor"));
        if (module.BrowserForm != nullptr) module.BrowserForm->SetZoomFactor(factor.value_or(1.0));
        module.PostSuccess(request.Uuid, factor ? "true" : "false");
    });
    dispatcher.Register(Id::WindowGetSize, [&module](const TBridgeRequest& request) {
        module.PostSuccess(request.Uuid, BoundsAsJson(MainWindowOf(module).Bounds()));
    });
    dispatcher.Register(Id::WindowSetSize, [&module](const TBridgeRequest& request) {
        IAppMainWindow& window = MainWindowOf(module);
        window.SetBounds(RequestedBounds(request.Data, window.Bounds()));
        module.PostSuccess(request.Uuid, "true");
    });
    dispatcher.Register(Id::WindowGetBorder, [&module](const TBridgeRequest& request) {
        const auto kind = static_cast<std::size_t>(MainWindowOf(module).BorderStyle());
        module.PostSuccess(request.Uuid, Quoted(kBorderWords.at(kind < kBorderWords.size() ? kind : 2)));
    });
    // No answer, whether the word is known or not.
    dispatcher.Register(Id::WindowSetBorder, [&module](const TBridgeRequest& request) {
        const std::string word = ReadArgString(request.Data, "border", "sizeable");
        for (std::size_t kind = 0; kind < kBorderWords.size(); ++kind)
            if (word == kBorderWords[kind]) MainWindowOf(module).SetBorderStyle(static_cast<TBorderStyle>(kind));
    });
}

}  // namespace vellum
