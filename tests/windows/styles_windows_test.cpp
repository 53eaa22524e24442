// The runtime's style resources read from its image, the bridge's style service over them, and
// a window drawn by the themed painter, read back pixel by pixel.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/styles/style_manager.h"
#include "core/styles/theme_catalogue.h"
#include "core/system/own_executable.h"
#include "platform/win32/style_resources_win32.h"
#include "platform/win32/style_service_win32.h"
#include "platform/win32/themed_window_win32.h"
#include "platform/win32/window_class.h"

namespace vellum {
namespace {

class RuntimeStyles : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring runtime = (RunningExecutable().Path().parent_path() / VELLUM_RUNTIME_EXE_NAME).wstring();
        module_ = LoadLibraryExW(runtime.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr);
        StyleManager().Reset();
    }
    void TearDown() override {
        StyleManager().Reset();
        if (module_ != nullptr) FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

TEST_F(RuntimeStyles, TheImageCarriesTheThirtyNineStylesUnderTheirResourceNames) {
    EXPECT_EQ(RegisterModuleStyles(StyleManager(), module_), 39);
    std::vector<std::string> names = StyleManager().Names();
    SortIgnoringCase(names);
    EXPECT_EQ(names, ThemeCatalogue());
    for (const wchar_t* resource : {L"AMAKRITS", L"WINDOWS", L"WINDOWSDARK", L"METROPOLISUIBLACK"}) {
        HRSRC found = FindResourceW(module_, resource, L"VCLSTYLE");
        ASSERT_NE(found, nullptr);
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(module_, found)));
        EXPECT_EQ(std::string(bytes, 13), "VCL_STYLE 2.0");
    }
    EXPECT_EQ(RegisterModuleStyles(StyleManager(), module_), 0) << "known names are not registered twice";
}

TEST_F(RuntimeStyles, TheServiceSelectsInAnyCaseAndTheSystemColoursFollow) {
    RegisterModuleStyles(StyleManager(), module_);
    TWin32StyleService service;
    EXPECT_EQ(service.Names().size(), 40u);
    EXPECT_EQ(service.ActiveName(), "Windows");
    EXPECT_EQ(ThemedSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOW));
    service.TrySelect("tablet DARK");
    EXPECT_EQ(service.ActiveName(), "Tablet Dark");
    const TStylePalette palette = *StyleManager().ActivePalette();
    EXPECT_EQ(ThemedSysColor(COLOR_WINDOW), ToColorRef(palette.Window));
    EXPECT_EQ(ThemedSysColor(COLOR_HOTLIGHT), ToColorRef(palette.Accent));
    service.TrySelect("Tablet Dark ");
    EXPECT_EQ(service.ActiveName(), "Tablet Dark");
    service.TrySelect("WINDOWS");
    EXPECT_EQ(service.ActiveName(), "Windows");
}

class TPaintedWindow final : public IWindowHandler {
public:
    TThemedPainter Painter{96};
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (const auto themed = Painter.Handle(window, message, wParam, lParam)) return *themed;
        return DefWindowProcW(window, message, wParam, lParam);
    }
};

COLORREF PixelOf(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

TEST_F(RuntimeStyles, AThemedWindowDrawsItsOwnFrameCaptionAndBody) {
    RegisterModuleStyles(StyleManager(), module_);
    ASSERT_TRUE(StyleManager().TrySetStyle("Windows10 Dark"));
    const TStylePalette palette = *StyleManager().ActivePalette();
    RegisterWindowClass({.Name = L"TThemedTestWindow"});
    TPaintedWindow handler;
    ASSERT_TRUE(handler.Painter.Active());
    const DWORD style = handler.Painter.Style(WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(style, static_cast<DWORD>(WS_POPUP | WS_SYSMENU | WS_CLIPCHILDREN));
    const SIZE outer = handler.Painter.OuterSize(200, 100, WS_OVERLAPPEDWINDOW, 0);
    EXPECT_EQ(outer.cx, 200 + 2 * palette.BorderWidth);
    EXPECT_EQ(outer.cy, 100 + 2 * palette.BorderWidth + palette.CaptionHeight);
    HWND window = CreateBoundWindow(handler, WS_EX_TOPMOST, L"TThemedTestWindow", L"Themed", style, 50, 50, outer.cx,
                                    outer.cy, nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    EXPECT_EQ(PixelOf(window, 0, 60), ToColorRef(palette.Border));
    EXPECT_EQ(PixelOf(window, 100, palette.BorderWidth + 2), ToColorRef(palette.Caption));
    EXPECT_EQ(PixelOf(window, 100, outer.cy - 20), ToColorRef(palette.Window));
    POINT inCaption{100, palette.BorderWidth + 5};
    ClientToScreen(window, &inCaption);
    EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(inCaption.x, inCaption.y)), HTCAPTION);
    DestroyWindow(window);

    StyleManager().TrySetStyle("Windows");
    TPaintedWindow native;
    EXPECT_FALSE(native.Painter.Active());
    EXPECT_EQ(native.Painter.Style(WS_OVERLAPPEDWINDOW), static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
    EXPECT_FALSE(native.Painter.Handle(nullptr, WM_PAINT, 0, 0).has_value());
}

}  // namespace
}  // namespace vellum
