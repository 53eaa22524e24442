// The theme catalogue, the style resources the runtime carries, the style manager, the page's
// three theme functions and the packaging tool's preview.
#include <gtest/gtest.h>
#include <zlib.h>

#include <set>
#include <sstream>
#include <tuple>

#include "bridge_fixture.h"
#include "core/styles/embedded_styles.h"
#include "core/styles/style_manager.h"
#include "core/styles/style_resource.h"
#include "core/styles/styles_utils.h"
#include "core/styles/theme_catalogue.h"
#include "core/text/utf.h"
#include "test_files.h"
#include "tools/pack/pack_commands.h"

namespace vellum::testing {
namespace {

std::string Inflated(std::string_view compressed) {
    std::string out(1 << 20, '\0');
    uLongf size = out.size();
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(compressed.data()),
                         static_cast<uLong>(compressed.size())),
              Z_OK);
    out.resize(size);
    return out;
}

std::string Compressed(const std::string& content) {
    uLongf size = compressBound(static_cast<uLong>(content.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(content.data()),
             static_cast<uLong>(content.size()));
    out.resize(size);
    return out;
}

// The UTF-16 text with its 32-bit little-endian count, as a style's stream holds names.
std::string CountedUtf16(const std::string& text) {
    const std::u16string units = Utf8ToUtf16(text);
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>((units.size() >> (8 * i)) & 0xFF);
    for (char16_t unit : units) out += static_cast<char>(unit & 0xFF), out += static_cast<char>(unit >> 8);
    return out;
}

std::string BytesOfStyle(const TEmbeddedStyle& style) {
    return std::string(reinterpret_cast<const char*>(style.Bytes), style.Size);
}

TEST(ThemeCatalogue, HoldsTheFortyNamesSortedWithoutRegardToCase) {
    const std::vector<std::string>& names = ThemeCatalogue();
    ASSERT_EQ(names.size(), 40u);
    EXPECT_EQ(names.front(), "Amakrits");
    EXPECT_EQ(names.back(), "Windows10 SlateGray");
    std::vector<std::string> sorted = names;
    std::reverse(sorted.begin(), sorted.end());
    SortIgnoringCase(sorted);
    EXPECT_EQ(sorted, names);
    const auto windows = std::find(names.begin(), names.end(), "Windows");
    ASSERT_NE(windows, names.end());
    EXPECT_EQ(*(windows + 1), "Windows10");
}

TEST(ThemeCatalogue, FindsNamesInAnyLetterCaseAndNothingElse) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"windows10 dark", "Windows10 Dark"},
        {"METROPOLIS UI BLACK", "Metropolis UI Black"},
        {"Windows", "Windows"},
        {"windows", "Windows"},
        {" Windows10 Dark", std::nullopt},
        {"Windows10 Dark ", std::nullopt},
        {"Windows10  Dark", std::nullopt},
        {"Windows10Dark", std::nullopt},
        {"", std::nullopt},
        {std::string(10000, 'a'), std::nullopt},
        {"Windows10 Dark" + std::string(1, '\0'), std::nullopt},
    };
    for (const auto& [given, expected] : cases) EXPECT_EQ(FindCatalogueName(given), expected) << given.substr(0, 40);
}

TEST(ThemeCatalogue, NamesResourcesInCapitalsWithoutBlanks) {
    const std::pair<const char*, const char*> cases[] = {
        {"Amakrits", "AMAKRITS"},           {"Metropolis UI Black", "METROPOLISUIBLACK"},
        {"Windows10", "WINDOWS"},           {"Windows10 Blue", "WINDOWSBLUE"},
        {"Windows10 SlateGray", "WINDOWSSLATEGRAY"}, {"Smokey Quartz Kamri", "SMOKEYQUARTZKAMRI"},
    };
    for (const auto& [name, resource] : cases) EXPECT_EQ(StyleResourceName(name), resource);
}

TEST(StyleResources, EveryCatalogueThemeButWindowsIsCarriedUnderItsResourceName) {
    std::set<std::string> carried;
    std::set<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>> looks;
    for (const TEmbeddedStyle& style : EmbeddedStyles()) {
        const std::string bytes = BytesOfStyle(style);
        ASSERT_TRUE(bytes.starts_with("VCL_STYLE 2.0")) << style.ResourceName;
        const TStyleResource decoded = DecodeStyleResource(bytes);
        EXPECT_EQ(StyleResourceName(decoded.Name), style.ResourceName);
        EXPECT_EQ(FindCatalogueName(decoded.Name), decoded.Name) << "spelt as the catalogue spells it";
        EXPECT_EQ(decoded.Version, "2.0");
        // The stream opens with the name and then the version, each a counted UTF-16 text.
        const std::string content = Inflated(std::string_view(bytes).substr(13));
        EXPECT_TRUE(content.starts_with(CountedUtf16(decoded.Name) + CountedUtf16(decoded.Version))) << decoded.Name;
        carried.insert(decoded.Name);
        const TStylePalette& p = decoded.Palette;
        looks.insert({p.Window, p.Caption, p.Border, p.Button});
    }
    EXPECT_EQ(carried.size(), 39u);
    EXPECT_FALSE(carried.count("Windows"));
    for (const std::string& name : ThemeCatalogue())
        if (name != "Windows") {
            EXPECT_TRUE(carried.count(name)) << name;
        }
    EXPECT_EQ(looks.size(), 39u) << "each theme looks different";
}

TEST(StyleResources, RoundTripKeepsNameVersionAndEverySetting) {
    TStyleResource style;
    style.Name = "Caf\xC3\xA9 \xF0\x9F\x8E\xA8";  // beyond ASCII and beyond one UTF-16 unit
    style.Version = "7.1";
    style.Palette = {true, 0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112, 0x131415, 0x161718,
                     0x191A1B, 0x1C1D1E, 0xFFFFFF, 16, 64, 0};
    const TStyleResource read = DecodeStyleResource(EncodeStyleResource(style));
    EXPECT_EQ(read.Name, style.Name);
    EXPECT_EQ(read.Version, style.Version);
    EXPECT_EQ(std::tie(read.Palette.Dark, read.Palette.Window, read.Palette.Accent, read.Palette.BorderWidth,
                       read.Palette.CaptionHeight, read.Palette.ButtonRadius),
              std::make_tuple(true, 0x010203u, 0xFFFFFFu, 16, 64, 0));
    EXPECT_EQ(read.Palette.EditText, 0x1C1D1Eu);
}

TEST(StyleResources, DamagedResourcesAreRefusedWithAStyleError) {
    const std::string good = BytesOfStyle(EmbeddedStyles()[0]);
    const std::string content = Inflated(std::string_view(good).substr(13));
    const std::string header = CountedUtf16("Broken") + CountedUtf16("1");
    std::string flipped = good;
    flipped[good.size() / 2] = static_cast<char>(flipped[good.size() / 2] ^ 0x5A);
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"signature only", "VCL_STYLE 2.0"},
        {"another signature", "VCL_STYLE 1.0" + good.substr(13)},
        {"cut short", good.substr(0, good.size() - 6)},
        {"a flipped byte", flipped},
        {"no stream, raw content", "VCL_STYLE 2.0" + content},
        {"content cut inside the name", "VCL_STYLE 2.0" + Compressed(content.substr(0, 9))},
        {"a name count beyond the content", "VCL_STYLE 2.0" + Compressed(std::string("\xFF\xFF\xFF\x7F", 4))},
        {"no settings", "VCL_STYLE 2.0" + Compressed(header + std::string(4, '\0'))},
        {"a megabyte of content", "VCL_STYLE 2.0" + Compressed(header + std::string(1 << 20, '\0'))},
    };
    for (const auto& [what, bytes] : cases) EXPECT_THROW(DecodeStyleResource(bytes), EStyleError) << what;

    TStyleResource outOfRange = DecodeStyleResource(good);
    outOfRange.Palette.CaptionHeight = 1000;
    EXPECT_THROW(DecodeStyleResource(EncodeStyleResource(outOfRange)), EStyleError);
}

class StyleManagerTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterEmbeddedStyles(manager); }
    TStyleManager manager;
};

TEST_F(StyleManagerTest, SelectsInAnyCaseKeepsTheStoredSpellingAndIgnoresUnknownNames) {
    EXPECT_EQ(manager.ActiveName(), "Windows");
    EXPECT_EQ(manager.ActivePalette(), nullptr) << "the native look";
    int changes = 0;
    const int listener = manager.AddChangeListener([&] { ++changes; });
    EXPECT_TRUE(manager.TrySetStyle("windows10 dark"));
    EXPECT_EQ(manager.ActiveName(), "Windows10 Dark");
    ASSERT_NE(manager.ActivePalette(), nullptr);
    EXPECT_TRUE(manager.ActivePalette()->Dark);
    for (const std::string& unknown : {std::string(""), std::string(" Carbon"), std::string(10000, 'x'),
                                       std::string("Windows10 Darker")})
        EXPECT_FALSE(manager.TrySetStyle(unknown));
    EXPECT_EQ(manager.ActiveName(), "Windows10 Dark");
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(manager.TrySetStyle("WINDOWS"));
    EXPECT_EQ(manager.ActiveName(), "Windows");
    EXPECT_EQ(manager.ActivePalette(), nullptr);
    manager.RemoveChangeListener(listener);
    manager.TrySetStyle("Carbon");
    EXPECT_EQ(changes, 2);
}

TEST_F(StyleManagerTest, RefusesDamagedBytesAndNamesAlreadyKnown) {
    EXPECT_EQ(manager.Names().size(), 40u);
    EXPECT_FALSE(manager.RegisterStyle(BytesOfStyle(EmbeddedStyles()[3])));
    EXPECT_FALSE(manager.RegisterStyle("VCL_STYLE 2.0 garbage"));
    TStyleResource native = DecodeStyleResource(BytesOfStyle(EmbeddedStyles()[0]));
    native.Name = "windows";
    EXPECT_FALSE(manager.RegisterStyle(EncodeStyleResource(native))) << "the native look cannot be replaced";
    EXPECT_EQ(manager.Names().size(), 40u);
    EXPECT_EQ(manager.Names().front(), "Windows");
}

TEST(StylesUtils, ListsSortedSelectsAndShowsTheErrorBoxOnlyWhenAsked) {
    StyleManager().Reset();
    RegisterEmbeddedStyles(StyleManager());
    std::vector<std::string> boxes;
    TStylesUtils::ErrorBox() = [&](const std::string& text) { boxes.push_back(text); };
    std::vector<std::string> list = {"stale"};
    TStylesUtils::GetAvailables(list, true);
    EXPECT_EQ(list, ThemeCatalogue());
    TStylesUtils::GetAvailables(list, false);
    EXPECT_EQ(list.size(), 40u);

    TStylesUtils::TrySetStyle("Nope", false);
    TStylesUtils::TrySetStyle("Nope", true);
    TStylesUtils::TrySetStyle("", true);
    TStylesUtils::TrySetStyle("tablet LIGHT", true);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Style 'Nope' not found", "Style '' not found"}));
    EXPECT_EQ(TStylesUtils::GetActiveTheme(), "Tablet Light");

    TRasterImage image(100, 80);
    try {
        TStylesUtils::DrawThemePreview("Windows", image);
        ADD_FAILURE() << "the native look has no preview";
    } catch (const EVellumError& error) {
        EXPECT_STREQ(error.what(), "Not available \"Windows\" preview.");
    }
    EXPECT_THROW(TStylesUtils::DrawThemePreview("Nope", image), EVellumError);
    TStylesUtils::ErrorBox() = nullptr;
    StyleManager().Reset();
}

class ThemeFunctions : public TBridgeFixture {};

TEST_F(ThemeFunctions, AnswersAsTheTableSays) {
    styles.Catalogue = ThemeCatalogue();
    std::reverse(styles.Catalogue.begin(), styles.Catalogue.end());  // the service lists in any order
    std::string all = "[";
    for (const std::string& name : ThemeCatalogue()) all += (all.size() > 1 ? ",\"" : "\"") + name + "\"";
    all += "]";
    const std::pair<std::string, std::string> rounds[] = {
        {Request(80001), Success("\"Windows\"")},
        {Request(80002), Success(all)},
        {Request(80003, R"({"name":"Windows10 Dark"})"), Success("true")},
        {Request(80001), Success("\"Windows10 Dark\"")},
        {Request(80003, R"({"name":"windows10 dark"})"), Success("false")},  // switched, spelt otherwise
        {Request(80001), Success("\"Windows10 Dark\"")},
        {Request(80003, R"({"name":"Carbon"})"), Success("true")},
        {Request(80003, R"({"name":"Nope"})"), Success("false")},
        {Request(80003, R"({"name":""})"), Success("false")},
        {Request(80003, R"({"name":" Carbon "})"), Success("false")},
        {Request(80003, R"({})"), Success("false")},
        {Request(80003, R"({"name":")" + std::string(10000, 'w') + "\"}"), Success("false")},
        {Request(80001), Success("\"Carbon\"")},
        {Request(80003, R"({"name":"Windows"})"), Success("true")},
        {Request(80001), Success("\"Windows\"")},
    };
    for (const auto& [request, answer] : rounds)
        EXPECT_EQ(Send(request), std::vector<std::string>{answer}) << request.substr(0, 80);
}

TEST_F(ThemeFunctions, NamesNeedingEscapesAreAnsweredAsJsonStrings) {
    styles.Catalogue = {"Windows", "Quote \"q\"", "back\\slash"};
    EXPECT_EQ(Send(Request(80002)), std::vector<std::string>{Success(R"(["back\\slash","Quote \"q\"","Windows"])")});
    EXPECT_EQ(Send(Request(80003, R"({"name":"quote \"Q\""})")), std::vector<std::string>{Success("false")});
    EXPECT_EQ(Send(Request(80001)), std::vector<std::string>{Success(R"("Quote \"q\"")")});
}

TEST_F(ThemeFunctions, PreviewModeShowsTheBoxAndAnswersNothing) {
    module->ExeZip = nullptr;
    for (const auto& [id, member] : {std::pair{80001, "getTheme"}, {80002, "getThemes"}, {80003, "setTheme"}})
        EXPECT_TRUE(Send(Request(id, R"({"name":"Carbon"})")).empty()) << member;
    EXPECT_EQ(dialogs.Messages, (std::vector<std::string>{"Calls to vlm.themes.getTheme() works only at runtime.",
                                                          "Calls to vlm.themes.getThemes() works only at runtime.",
                                                          "Calls to vlm.themes.setTheme() works only at runtime."}));
    EXPECT_TRUE(styles.Calls.empty());
}

// A PNG file read back: its size and its pixels (8-bit RGBA, rows unfiltered).
struct TDecodedPng {
    std::uint32_t Width = 0, Height = 0;
    std::string Pixels;
    std::uint32_t At(std::uint32_t x, std::uint32_t y) const {
        const std::size_t at = static_cast<std::size_t>(y) * (1 + 4 * Width) + 1 + 4 * x;
        return static_cast<std::uint32_t>(static_cast<unsigned char>(Pixels[at]) << 16 |
                                          static_cast<unsigned char>(Pixels[at + 1]) << 8 |
                                          static_cast<unsigned char>(Pixels[at + 2]));
    }
};

TDecodedPng DecodePng(const std::string& png) {
    TDecodedPng image;
    EXPECT_TRUE(png.starts_with("\x89PNG\r\n\x1a\n"));
    const auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(png[at]) << 24 |
                                          static_cast<unsigned char>(png[at + 1]) << 16 |
                                          static_cast<unsigned char>(png[at + 2]) << 8 |
                                          static_cast<unsigned char>(png[at + 3]));
    };
    std::string data;
    std::vector<std::string> chunks;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t length = u32(at);
        const std::string type = png.substr(at + 4, 4);
        const std::string body = png.substr(at + 8, length);
        const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(png.data() + at + 4), length + 4);
        EXPECT_EQ(u32(at + 8 + length), crc) << type;
        if (type == "IHDR") {
            image.Width = u32(at + 8), image.Height = u32(at + 12);
            EXPECT_EQ(body.substr(8), std::string("\x08\x06\0\0\0", 5));
        }
        if (type == "IDAT") data += body;
        chunks.push_back(type);
        at += 12 + length;
    }
    EXPECT_EQ(chunks, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    image.Pixels = Inflated(data);
    EXPECT_EQ(image.Pixels.size(), static_cast<std::size_t>(image.Height) * (1 + 4 * image.Width));
    return image;
}

class ThemePreview : public ::testing::Test {
protected:
    int Run(const std::vector<std::string>& arguments) {
        err.str("");
        return pack::RunPackTool(arguments, dir / "vellum-pack", out, err);
    }
    TTempDir dir;
    std::ostringstream out, err;
};

TEST_F(ThemePreview, DrawsTheSampleWindowInTheThemesColours) {
    const std::filesystem::path png = dir / "dark.png";
    ASSERT_EQ(Run({"theme-preview", "windows10 DARK", "-o", png.string(), "--size", "300x200"}), 0) << err.str();
    const TBytes bytes = ReadFile(png);
    const TDecodedPng image = DecodePng(std::string(bytes.begin(), bytes.end()));
    ASSERT_EQ(std::make_pair(image.Width, image.Height), std::make_pair(300u, 200u));
    const TStylePalette palette = StyleManager().LoadStyle("Windows10 Dark").Palette;
    // Margin 12, border 1, caption 30: the backdrop, the frame, the caption bar, the client area.
    EXPECT_EQ(image.At(2, 2), 0x808890u);
    EXPECT_EQ(image.At(12, 100), palette.Border);
    EXPECT_EQ(image.At(150, 14), palette.Caption);
    EXPECT_EQ(image.At(100, 120), palette.Window);
    std::set<std::uint32_t> captionColours;
    for (std::uint32_t x = 13; x < 287; ++x) captionColours.insert(image.At(x, 28));
    EXPECT_TRUE(captionColours.count(palette.CaptionText)) << "the name is written in the caption";
    std::size_t accent = 0;
    for (std::uint32_t y = 13; y < 187; ++y)
        for (std::uint32_t x = 13; x < 287; ++x) accent += image.At(x, y) == palette.Accent;
    EXPECT_GT(accent, 100u) << "the icon and the default button's outline";

    const std::filesystem::path light = dir / "light.png";
    ASSERT_EQ(Run({"theme-preview", "Tablet Light", "-o", light.string()}), 0) << err.str();
    const TBytes lightBytes = ReadFile(light);
    const TDecodedPng other = DecodePng(std::string(lightBytes.begin(), lightBytes.end()));
    EXPECT_EQ(std::make_pair(other.Width, other.Height), std::make_pair(360u, 240u)) << "the default size";
    EXPECT_NE(other.At(100, 120), image.At(100, 120));
}

TEST_F(ThemePreview, RefusesTheNativeLookUnknownNamesAndBadSizesWritingNothing) {
    const std::filesystem::path png = dir / "p.png";
    EXPECT_EQ(Run({"theme-preview", "Windows", "-o", png.string()}), 1);
    EXPECT_EQ(err.str(), "vellum-pack: Not available \"Windows\" preview.\n");
    EXPECT_EQ(Run({"theme-preview", "Nope", "-o", png.string()}), 1);
    EXPECT_EQ(err.str(), "vellum-pack: Style 'Nope' not found\n");
    EXPECT_EQ(Run({"theme-preview", std::string(10000, 'a'), "-o", png.string()}), 1);
    for (const char* size : {"10x10", "300", "x200", "300x200x1", "99999x100", "-300x200"})
        EXPECT_EQ(Run({"theme-preview", "Carbon", "-o", png.string(), "--size", size}), 1) << size;
    EXPECT_EQ(Run({"theme-preview", "Carbon"}), 2) << "no output named";
    EXPECT_FALSE(std::filesystem::exists(png));
    EXPECT_FALSE(std::filesystem::exists(dir / "p.png.partial"));
}

TEST_F(ThemePreview, BuildWarnsWhenTheThemeNamesNoTheme) {
    const std::pair<const char*, bool> cases[] = {
        {"Theme=Windows10 Dark\n", false}, {"Theme=windows10 dark\n", false}, {"", false},
        {"Theme=Windows 10\n", true},      {"Theme=\n", true},
    };
    for (const auto& [line, warns] : cases) {
        const std::filesystem::path project = dir / "project";
        WriteFile(project / "vlm.ini", std::string("[App]\nID=demo\nName=Demo\nDirName=web\n") + line);
        WriteFile(project / "web" / "index.html", "<p>");
        WriteFile(dir / "runtime.exe", MakePeImage({{0x400, 0x600}}));
        const std::filesystem::path exe = dir / "out.exe";
        ASSERT_EQ(Run({"build", project.string(), "-o", exe.string(), "--runtime", (dir / "runtime.exe").string()}), 0)
            << err.str();
        EXPECT_EQ(err.str().find("names no theme") != std::string::npos, warns) << line << err.str();
        if (warns) {
            EXPECT_NE(err.str().find("vlm.ini:5: warning: Theme '"), std::string::npos) << err.str();
        }
    }
}

}  // namespace
}  // namespace vellum::testing
