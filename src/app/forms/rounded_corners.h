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
// right after the window is created (also when it is created again) and whenever it is set.
class TRoundedCornerForm {
public:
    virtual ~TRoundedCornerForm() = default;
    TRoundedCornerType RoundedCorners() const { return FRoundedCorners; }
    void SetRoundedCorners(TRoundedCornerType value);

protected:
    // Called by the form as soon as its window exists.
    void WindowCreated(void* handle);
    // Hands the preference to the window manager.
    virtual void ApplyCornerPreference(void* handle, std::uint32_t preference);

private:
    void Apply();

    TRoundedCornerType FRoundedCorners = TRoundedCornerType::rcDefault;
    void* handle_ = nullptr;
};

}  // namespace vellum
