#pragma once

#include <cstdint>

namespace vellum {

// The corner-rounding preference that the desktop window manager applies on Windows 11.
enum class TRoundedCornerType { rcDefault, rcOff, rcOn, rcSmall };

// The unit default, rounded; a form's rcDefault stands for it.
extern TRoundedCornerType DefaultRoundedCorners;

// The window manager's value for a form's preference: 0 system default, 1 square, 2 rounded,
// 3 rounded with a small radius.
std::uint32_t CornerPreferenceValue(TRoundedCornerType RoundedCorners);

// The base of every top-level form of ours: stores the preference and applies it to the window
// right after the window is created (also when it is created again) and whenever it is set
// while the window exists. Once the window is gone the value is only stored again: a destroyed
// window's handle may already name another window.
class TRoundedCornerForm {
public:
    virtual ~TRoundedCornerForm() = default;
    TRoundedCornerType RoundedCorners() const { return FRoundedCorners; }
    void SetRoundedCorners(TRoundedCornerType value);

protected:
    // Called by the form as soon as its window exists.
    void WindowCreated(void* handle);
    // Called by the form when its window is destroyed (WM_DESTROY).
    void WindowDestroyed();
    // Hands the preference to the window manager.
    virtual void ApplyCornerPreference(void* handle, std::uint32_t preference);
    // Whether the window is still there; a form that does not report its window's end is
    // caught here.
    virtual bool WindowExists(void* handle) const;

private:
    void Apply();

    TRoundedCornerType FRoundedCorners = TRoundedCornerType::rcDefault;
    void* handle_ = nullptr;
};

}  // namespace vellum
