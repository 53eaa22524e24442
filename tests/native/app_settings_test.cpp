#include "core/settings/app_settings.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace vellum {
namespace {

TAppSettings SettingsFrom(std::string_view text) {
    TAppSettings settings;
    settings.LoadFromBytes(text);
    return settings;
}

TEST(AppSettings, ReadsStringsByTheFileRules) {
    const TAppSettings settings = SettingsFrom(
        "ID=outside\r\n"
        "[APP]\r\n"
        "  name   =   My App  \r\n"
        "; Password=commented\r\n"
        "Theme=\r\n"
        "WebviewArguments = --a=1 --b=2 ; not a comment\r\n"
        "DirName=first\n"
        "[Other]\n"
        "IndexHtml=other.html\n"
        "[ app ]\n"
        "DirName=second\r"
        "Password\n");
    EXPECT_EQ(settings.ReadString("App", "ID", "default"), "default") << "keys before the first section are ignored";
    EXPECT_EQ(settings.ReadString("App", "Name", ""), "My App");
    EXPECT_EQ(settings.ReadString("app", "NAME", ""), "My App") << "sections and keys ignore case";
    EXPECT_EQ(settings.ReadString("App", "Theme", "Windows"), "") << "present and empty is not the default";
    EXPECT_EQ(settings.ReadString("App", "WebviewArguments", ""), "--a=1 --b=2 ; not a comment");
    EXPECT_EQ(settings.ReadString("App", "DirName", ""), "second") << "a repeated section adds to one section";
    EXPECT_EQ(settings.ReadString("App", "IndexHtml", "index.html"), "index.html") << "other sections are apart";
    EXPECT_EQ(settings.ReadString("Other", "IndexHtml", ""), "other.html");
    EXPECT_EQ(settings.ReadString("App", "Password", "none"), "none")
        << "a commented line sets nothing, a bare key has no value";
}

TEST(AppSettings, BareKeyAfterAValueHidesIt) {
    const TAppSettings settings = SettingsFrom("[App]\nName=Shown\nName\n");
    EXPECT_EQ(settings.ReadString("App", "Name", ""), "");
}

TEST(AppSettings, ReadsIntegersAndBooleans) {
    struct TCase {
        const char* value;
        std::int32_t expected;
    };
    const TCase cases[] = {
        {"1024", 1024},
        {"0x400", 1024},
        {"0X400", 1024},
        {"$400", 1024},
        {"-12", -12},
        {"+7", 7},
        {"abc", 800},
        {"", 800},
        {"0x", 800},
        {"$", 800},
        {"12 34", 800},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", 800},
        {"99999999999", 800},
        {"0xFF00001A", -16777190},
        {"$FFFFFFFF", -1},
        {"0x100000000", 800},
        {"-$10", -16},
        {"0", 0},
        {"007", 7},
        {"1.5", 800},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string("Width=") + c.value);
        const TAppSettings settings = SettingsFrom(std::string("[App]\nWidth=") + c.value + "\n");
        EXPECT_EQ(settings.ReadInteger("App", "Width", 800), c.expected);
    }

    const TAppSettings settings =
        SettingsFrom("[App]\nAllowDebug=true\nAllowZoom=2\nAllowContextMenu=0\nEdgeInstaller=yes\n");
    EXPECT_FALSE(settings.ReadBool("App", "AllowDebug", false)) << "a word reads as the default";
    EXPECT_TRUE(settings.ReadBool("App", "AllowZoom", false));
    EXPECT_FALSE(settings.ReadBool("App", "AllowContextMenu", true));
    EXPECT_TRUE(settings.ReadBool("App", "EdgeInstaller", true));
    EXPECT_TRUE(settings.ReadBool("App", "Missing", true));
}

TEST(AppSettings, DecodesByByteOrderMark) {
    // "Name=Café" in each encoding the runtime accepts.
    const std::string utf8Bom = "\xEF\xBB\xBF[App]\nName=Caf\xC3\xA9\n";
    std::string utf16le = "\xFF\xFE";
    std::string utf16be = "\xFE\xFF";
    for (const char16_t unit : std::u16string(u"[App]\nName=Caf\u00E9\n")) {
        utf16le += static_cast<char>(unit & 0xFF);
        utf16le += static_cast<char>(unit >> 8);
        utf16be += static_cast<char>(unit >> 8);
        utf16be += static_cast<char>(unit & 0xFF);
    }
    const std::string ansi = "[App]\nName=Caf\xE9\n";  // Windows-1252
    for (const std::string& bytes : {utf8Bom, utf16le, utf16be, ansi}) {
        EXPECT_EQ(SettingsFrom(bytes).ReadString("App", "Name", ""), "Caf\xC3\xA9");
    }
    // UTF-8 without a mark is read in the ANSI code page, as the runtime reads it.
    EXPECT_EQ(SettingsFrom("[App]\nName=Caf\xC3\xA9\n").ReadString("App", "Name", ""), "Caf\xC3\x83\xC2\xA9");
}

TEST(AppSettings, DamagedTextLosesNothingElse) {
    // NUL bytes and ill-formed UTF-8 after a UTF-8 mark: the other keys still read.
    static const char kDamaged[] = "\xEF\xBB\xBF[App]\nID=one\nName=a\0b\nDirName=x\xFF\xFEy\n";
    const std::string bytes(kDamaged, sizeof kDamaged - 1);
    const TAppSettings settings = SettingsFrom(bytes);
    EXPECT_EQ(settings.ReadString("App", "ID", ""), "one");
    EXPECT_EQ(settings.ReadString("App", "Name", ""), std::string("a\0b", 3));
    EXPECT_EQ(settings.ReadString("App", "DirName", ""), "x\xEF\xBF\xBD\xEF\xBF\xBDy");
    // An odd UTF-16 byte count drops the dangling byte only.
    static const char kOdd[] = "\xFF\xFE[\0A\0p\0p\0]\0\n\0I\0D\0=\0z\0!";
    EXPECT_EQ(SettingsFrom(std::string(kOdd, sizeof kOdd - 1)).ReadString("App", "ID", ""), "z");
}

TEST(AppSettings, FillingDiscardsEverythingHeldBefore) {
    TAppSettings settings = SettingsFrom("[App]\nID=old\n");
    settings.SetStrings({"[App]", "Name=new"});
    EXPECT_EQ(settings.ReadString("App", "ID", "gone"), "gone");
    EXPECT_EQ(settings.ReadString("App", "Name", ""), "new");
    EXPECT_EQ(TAppSettings().ReadInteger("App", "Width", 800), 800) << "empty settings read every default";
}

TEST(AppSettings, ManySectionsReadByTheSameRules) {
    // 100,000 sections, each repeated later under another letter case: reading stays linear
    // in the headers (each header finds its section at once), about a second under the
    // sanitizers; comparing every header with every earlier section takes many minutes.
    constexpr int kSections = 100000;
    std::vector<std::string> lines;
    lines.reserve(6 * kSections + 16);
    for (int i = 0; i < kSections; ++i) {
        lines.push_back("[Section" + std::to_string(i) + "]");
        lines.push_back("Key=first" + std::to_string(i));
        lines.push_back("Kept=" + std::to_string(i));
    }
    for (int i = 0; i < kSections; ++i) {
        lines.push_back("[ SECTION" + std::to_string(i) + " ]");
        lines.push_back("KEY=second" + std::to_string(i));
        lines.push_back("Bare");
    }
    for (const char* line : {"[\xC3\x89t\xC3\xA9]", "Name=upper", "[\xC3\xA9t\xC3\xA9]", "Name=lower", "[Z]",
                             "Name=z", "[z]", "Name", "[]", "Name=empty"})
        lines.push_back(line);
    TAppSettings settings;
    settings.SetStrings(lines);

    struct TCase {
        std::string section, key, expected;
    };
    const TCase cases[] = {
        {"Section0", "Key", "second0"},  // a repeated section adds to one; the later key wins
        {"section99999", "kept", "99999"},
        {"SECTION54321", "Bare", "default"},  // a bare key has no value
        {"Section100000", "Key", "default"},
        {"Section1 ", "Key", "default"},  // names are trimmed when read from the file only
        {"\xC3\x89t\xC3\xA9", "Name", "upper"},  // letters beyond A to Z keep their case
        {"\xC3\xA9t\xC3\xA9", "name", "lower"},
        {"z", "Name", "default"},  // the later bare key in the merged section wins
        {"", "Name", "empty"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.section + "/" + c.key);
        EXPECT_EQ(settings.ReadString(c.section, c.key, "default"), c.expected);
    }
    for (int i = 0; i < kSections; i += 997) {
        EXPECT_EQ(settings.ReadString("section" + std::to_string(i), "key", ""), "second" + std::to_string(i));
        EXPECT_EQ(settings.ReadInteger("Section" + std::to_string(i), "Kept", -1), i);
    }
}

}  // namespace
}  // namespace vellum
