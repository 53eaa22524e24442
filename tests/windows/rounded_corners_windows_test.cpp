// A form's corner preference never reaches the window manager with a destroyed window's handle.
#include "app/forms/rounded_corners.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace vellum {
namespace {

// Like our forms, it does not report its window's end itself; it records where the preference
// went instead of asking the window manager.
class TCornerFormWindow final : public TRoundedCornerForm {
public:
    void Create() {
        window = CreateWindowExW(0, L"STATIC", L"corners", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        WindowCreated(window);
    }
    HWND window = nullptr;
    std::vector<HWND> AppliedTo;

private:
    void ApplyCornerPreference(void* handle, std::uint32_t) override { AppliedTo.push_back(static_cast<HWND>(handle)); }
};

TEST(RoundedCornersWindows, ADestroyedWindowGetsNoPreference) {
    TCornerFormWindow form;
    form.Create();
    ASSERT_NE(form.window, nullptr);
    DestroyWindow(form.window);
    form.SetRoundedCorners(TRoundedCornerType::rcSmall);
    EXPECT_EQ(form.AppliedTo, std::vector<HWND>{form.window}) << "only at creation";
    form.Create();
    EXPECT_EQ(form.AppliedTo.size(), 2u) << "the new window gets the stored value";
    EXPECT_EQ(form.AppliedTo.back(), form.window);
    DestroyWindow(form.window);
}

}  // namespace
}  // namespace vellum
