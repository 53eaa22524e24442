#include "app/main_form/main_form_settings.h"

#include <gtest/gtest.h>

#include "core/settings/app_settings.h"

namespace vellum {
namespace {

TAppSettings SettingsFrom(const std::string& text) {
    TAppSettings settings;
    settings.LoadFromBytes(text);
    return settings;
}

TEST(MainFormSettings, DefaultsWithoutWindowKeys) {
    const TMainFormSettings read = ReadMainFormSettings(SettingsFrom("[App]\nID=x\n"));
    EXPECT_FALSE(read.AllowDebug || read.AllowZoom || read.AllowContextMenu);
    EXPECT_EQ(read.Top, 50);
    EXPECT_EQ(read.Left, 50);
    EXPECT_EQ(read.Width, 800);
    EXPECT_EQ(read.Height, 600);
    EXPECT_EQ(read.MaxWidth + read.MaxHeight + read.MinWidth + read.MinHeight, 0);
    EXPECT_EQ(read.WindowPosition, 0);
    EXPECT_EQ(read.WindowStyle, 0);
    EXPECT_EQ(read.WindowBorder, 2);
    EXPECT_EQ(read.WindowState, 0);
    EXPECT_EQ(read.WindowOrder, 0);
}

TEST(MainFormSettings, ValuesAreReadFromSectionApp) {
    const TMainFormSettings read = ReadMainFormSettings(SettingsFrom(
        "[App]\nAllowDebug=1\nAllowZoom=1\nWidth=1024\nHeight=700\nMinWidth=300\nWindowBorder=5\nWindowOrder=1\n"
        "[Other]\nHeight=1\n"));
    EXPECT_TRUE(read.AllowDebug);
    EXPECT_TRUE(read.AllowZoom);
    EXPECT_EQ(read.Width, 1024);
    EXPECT_EQ(read.Height, 700);
    EXPECT_EQ(read.MinWidth, 300);
    EXPECT_EQ(read.WindowBorder, 5);
    EXPECT_EQ(read.WindowOrder, 1);
}

TEST(MainFormSettings, StartPageFromTheCommandLineOnlyForTheExactIdentity) {
    const std::string id = "com.example.app";
    struct TCase {
        std::vector<std::string> Arguments;
        std::string Expected;
    };
    const TCase cases[] = {
        {{id, "file:///page2.html"}, "file:///page2.html"},
        {{id, "https://example.com/a b"}, "https://example.com/a b"},
        {{id}, "file:///main.html"},
        {{"COM.EXAMPLE.APP", "file:///page2.html"}, "file:///main.html"},
        {{id, "file:///page2.html", "extra"}, "file:///main.html"},
        {{}, "file:///main.html"},
    };
    for (const TCase& item : cases)
        EXPECT_EQ(ChooseStartPage(item.Arguments, id, "main.html"), item.Expected) << item.Arguments.size();
}

}  // namespace
}  // namespace vellum
