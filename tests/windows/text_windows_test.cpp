#include <windows.h>

#include <gtest/gtest.h>

#include "core/settings/app_settings.h"
#include "core/system/ansi_code_page.h"

namespace vellum {
namespace {

// The test run sets an English locale, so Windows (and Wine) use code page 1252.
TEST(AnsiCodePage, SettingsWithoutAByteOrderMarkUseTheSystemsCodePage) {
    ASSERT_EQ(GetACP(), 1252u);
    EXPECT_EQ(AnsiToUtf8("\x80 \x9F caf\xE9"), "\xE2\x82\xAC \xC5\xB8 caf\xC3\xA9");
    TAppSettings settings;
    settings.LoadFromBytes("[App]\r\nName=Caf\xE9 \x80\r\n");
    EXPECT_EQ(settings.ReadString("App", "Name", ""), "Caf\xC3\xA9 \xE2\x82\xAC");
    static const char kUtf16[] = "\xFF\xFE[\0A\0p\0p\0]\0\n\0N\0=\0\xAC\x20";
    settings.LoadFromBytes(std::string_view(kUtf16, sizeof kUtf16 - 1));
    EXPECT_EQ(settings.ReadString("App", "N", ""), "\xE2\x82\xAC") << "a byte-order mark wins over the code page";
}

}  // namespace
}  // namespace vellum
