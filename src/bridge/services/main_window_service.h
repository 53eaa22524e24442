#pragma once

#include <string>

namespace vellum {

enum class TWindowState { Normal, Minimized, Maximized };

// The main window's border styles, numbered as the settings file numbers them.
enum class TBorderStyle { None = 0, Single = 1, Sizeable = 2, Dialog = 3, ToolWindow = 4, SizeToolWindow = 5 };

// A border number from the settings; a number outside the six is sizeable.
inline TBorderStyle BorderStyleFromSetting(int kind) {
    return kind >= 0 && kind <= 5 ? static_cast<TBorderStyle>(kind) : TBorderStyle::Sizeable;
}

// Outer bounds in screen pixels.
struct TWindowBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TWindowBounds&) const = default;
};

// The application's main window as the bridge's window functions reach it. Every change takes
// effect before the call returns.
class IAppMainWindow {
public:
    virtual ~IAppMainWindow() = default;
    virtual bool StaysOnTop() const = 0;
    virtual void SetStaysOnTop(bool onTop) = 0;
    virtual TWindowState State() const = 0;
    virtual void SetState(TWindowState state) = 0;
    virtual void ShowAndBringToFront() = 0;
    virtual void Hide() = 0;
    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual TWindowBounds Bounds() const = 0;
    // Places the window in one operation; the window's size limits apply.
    virtual void SetBounds(const TWindowBounds& bounds) = 0;
    virtual TBorderStyle BorderStyle() const = 0;
    virtual void SetBorderStyle(TBorderStyle style) = 0;
};

}  // namespace vellum
