// vellum-pack build --icon and --version: the runtime copy gets the app's icon and version
// texts before its archive, and bad options stop the build before anything is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "core/archive/calculations.h"
#include "core/archive/exe_utils.h"
#include "core/archive/zip_archive.h"
#include "core/resources/icon_file.h"
#include "core/resources/pe_resources.h"
#include "core/stream/stream.h"
#include "core/text/utf.h"
#include "test_files.h"
#include "tools/pack/pack_commands.h"

namespace vellum::pack {
namespace {

using vellum::testing::TBytes;
using vellum::testing::WriteFile;

class PackResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(project / "vlm.ini", "[App]\nID=demo.app\nName=Demo\nDirName=web\n");
        WriteFile(project / "web" / "index.html", "<title>Demo</title>");
        // The small mingw-built program with a main icon and version texts stands in for the runtime.
        std::filesystem::copy_file(std::filesystem::path(VELLUM_SOURCE_DIR) / "tests/fixtures/pe_resources/sample.exe",
                                   runtime);
        WriteFile(loader, "loader library bytes");
        // One image of 50 bytes of 0x33.
        TBytes ico = {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 32, 0, 50, 0, 0, 0, 22, 0, 0, 0};
        ico.insert(ico.end(), 50, 0x33);
        WriteFile(icon, ico);
    }

    int Build(const std::vector<std::string>& extra) {
        std::vector<std::string> arguments = {"build",     project.string(), "-o",       output.string(),
                                              "--runtime", runtime.string(), "--loader", loader.string()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        out.str("");
        err.str("");
        return RunPackTool(arguments, dir / "bin" / "vellum-pack", out, err);
    }

    // The packaged file's program image and its resources.
    TResourceTable ImageResources() {
        const TBytes packaged = vellum::testing::ReadFile(output);
        const auto location = TExeUtils::LocateArchive(output);
        EXPECT_TRUE(location && location->HasArchive());
        auto image = TPeImage::Parse(TBytes(packaged.begin(), packaged.begin() + location->ImageEnd));
        EXPECT_TRUE(image);
        auto resources = image->ReadResources();
        EXPECT_TRUE(resources);
        return resources.value_or(TResourceTable{});
    }

    vellum::testing::TTempDir dir;
    std::filesystem::path project = dir / "project";
    std::filesystem::path runtime = dir / "VellumRuntime.exe";
    std::filesystem::path loader = dir / "loader.dll";
    std::filesystem::path icon = dir / "app.ico";
    std::filesystem::path output = dir / "out" / "Demo.exe";
    std::ostringstream out, err;
};

std::u16string TextAt(const TBytes& block, std::u16string_view key, std::size_t room) {
    TBytes pattern;
    for (char16_t unit : key) pattern.insert(pattern.end(), {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)});
    pattern.insert(pattern.end(), {0, 0});
    const auto at = std::search(block.begin(), block.end(), pattern.begin(), pattern.end());
    if (at == block.end()) return u"<missing>";
    const std::size_t value = static_cast<std::size_t>(at - block.begin()) - 6 + (6 + pattern.size() + 3) / 4 * 4;
    std::u16string text;
    for (std::size_t i = 0; i < room && block[value + 2 * i] + block[value + 2 * i + 1] != 0; ++i)
        text += static_cast<char16_t>(block[value + 2 * i] | block[value + 2 * i + 1] << 8);
    return text;
}

TEST_F(PackResourcesTest, TheAppGetsTheIconAndTheTextsAndItsArchiveStillReads) {
    ASSERT_EQ(Build({"--icon", icon.string(), "--version", "companyname=Acme", "--version", "FileVersion=2.1",
                     "--version", "OriginalFileName=demo.exe"}),
              0)
        << err.str();
    const TResourceTable resources = ImageResources();
    const TResource* group = resources.Find(TResourceKey::Of(14), TResourceKey::Of(u"MAINICON"), 1033);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(IconGroupIds(group->Data), std::vector<std::uint16_t>{100});
    const TResource* image = resources.Find(TResourceKey::Of(3), TResourceKey::Of(100), 1033);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Data, TBytes(50, 0x33));
    const TResource* version = resources.Find(TResourceKey::Of(16), TResourceKey::Of(1), 0);
    ASSERT_NE(version, nullptr);
    struct TCase {
        std::u16string_view key;
        std::u16string expected;
    };
    const TCase cases[] = {
        {u"CompanyName", u"Acme"},
        {u"FileVersion", u"2.1"},
        {u"OriginalFilename", u"demo.exe"},
        {u"ProductName", u""},  // not given: its blanks are cleared
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.key));
        EXPECT_EQ(TextAt(version->Data, c.key, 20), c.expected);
    }

    TZipArchive archive;
    TFileStream file(output, TFileStream::TMode::OpenRead);
    TWindowStream window(file, TExeUtils::LocateArchive(output)->ImageEnd);
    archive.SetPassword(ArchivePassword());
    archive.Open(window);
    EXPECT_GE(archive.FindFile("web/index.html"), 0) << "the archive follows the rebuilt image";
}

TEST_F(PackResourcesTest, BadResourceOptionsStopTheBuildAndWriteNothing) {
    TBytes invalidIcon = {0, 0, 1, 0, 1, 0};  // one entry, no room for it
    WriteFile(dir / "bad.ico", invalidIcon);
    vellum::testing::TElfImage elf = vellum::testing::MakeElfImage({{0, 0x200}}, {}, true, false);
    WriteFile(dir / "vellum-runtime", elf.Bytes);
    struct TCase {
        const char* what;
        std::vector<std::string> extra;
        std::string expected;
    };
    const TCase cases[] = {
        {"unknown key", {"--version", "Colour=blue"}, "unknown version key 'Colour': the keys are CompanyName, "},
        {"no equals sign", {"--version", "CompanyName"}, "--version takes KEY=VALUE, not 'CompanyName'"},
        {"given twice", {"--version", "Comments=a", "--version", "comments=b"}, "--version Comments is given twice"},
        {"not UTF-8", {"--version", "Comments=\xC3("}, "the value of --version Comments is not UTF-8 text"},
        {"invalid icon", {"--icon", (dir / "bad.ico").string()}, "Icon file is invalid"},
        {"missing icon", {"--icon", (dir / "none.ico").string()}, "Cannot open file \"" + (dir / "none.ico").string() + "\""},
        {"Linux runtime", {"--runtime", (dir / "vellum-runtime").string(), "--icon", icon.string()},
         "--icon and --version set the icon and version texts of Windows executables"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Build(c.extra), 1);
        EXPECT_NE(err.str().find(c.expected), std::string::npos) << err.str();
        EXPECT_FALSE(std::filesystem::exists(output));
        EXPECT_FALSE(std::filesystem::exists(output.string() + ".partial"));
    }
}

}  // namespace
}  // namespace vellum::pack
