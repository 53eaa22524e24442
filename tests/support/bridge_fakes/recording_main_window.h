#pragma once

#include <string>
#include <vector>

#include "bridge/services/main_window_service.h"

namespace vellum::testing {

// A main window that keeps its state in fields and records every change in `Calls`, in order.
class TRecordingMainWindow final : public IAppMainWindow {
public:
    bool StaysOnTop() const override { return OnTop; }
    void SetStaysOnTop(bool onTop) override {
        OnTop = onTop;
        Calls.push_back(onTop ? "SetStaysOnTop(true)" : "SetStaysOnTop(false)");
    }
    TWindowState State() const override { return WindowState; }
    void SetState(TWindowState state) override {
        WindowState = state;
        Calls.push_back(std::string("SetState(") + Word(state) + ")");
    }
    void ShowAndBringToFront() override {
        Visible = true;
        Calls.push_back("ShowAndBringToFront");
    }
    void Hide() override {
        Visible = false;
        Calls.push_back("Hide");
    }
    std::string Caption() const override { return WindowCaption; }
    void SetCaption(const std::string& caption) override {
        WindowCaption = caption;
        Calls.push_back("SetCaption(" + caption + ")");
    }
    TWindowBounds Bounds() const override { return WindowBounds; }
    void SetBounds(const TWindowBounds& bounds) override {
        WindowBounds = bounds;
        Calls.push_back("SetBounds(" + std::to_string(bounds.Left) + "," + std::to_string(bounds.Top) + "," +
                        std::to_string(bounds.Width) + "," + std::to_string(bounds.Height) + ")");
    }
    TBorderStyle BorderStyle() const override { return Border; }
    void SetBorderStyle(TBorderStyle style) override {
        Border = style;
        Calls.push_back("SetBorderStyle(" + std::to_string(static_cast<int>(style)) + ")");
    }

    static const char* Word(TWindowState state) {
        return state == TWindowState::Minimized ? "minimized" : state == TWindowState::Maximized ? "maximized" : "normal";
    }

    bool OnTop = false;
    TWindowState WindowState = TWindowState::Normal;
    bool Visible = true;
    std::string WindowCaption = "Hello";
    TWindowBounds WindowBounds{100, 50, 800, 600};
    TBorderStyle Border = TBorderStyle::Sizeable;
    std::vector<std::string> Calls;
};

}  // namespace vellum::testing
