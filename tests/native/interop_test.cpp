// Our archives open in Info-ZIP and 7-Zip, and theirs open in our reader. These peers are
// installed by the setup step; a missing one is a failure, not a skip.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/archive/calculations.h"
#include "core/archive/zip_archive.h"
#include "test_archives.h"

namespace vellum {
namespace {

using testing::BytesOf;
using testing::TBytes;

int Shell(const std::string& command) {
    return std::system(command.c_str());
}

std::string Quote(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

class InteropTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Shell("command -v zip >/dev/null && command -v unzip >/dev/null && command -v 7z >/dev/null"), 0)
            << "zip, unzip and 7z are needed (scripts/setup.sh installs them)";
        WriteFile(source / "web" / "index.html", "<h1>Hello</h1>");
        WriteFile(source / "web" / "big.txt", std::string(200000, 'b') + "end");
        WriteFile(source / "web" / "random.bin", random);
        WriteFile(source / "web" / "empty.txt", "");
    }

    static void WriteFile(const std::filesystem::path& path, std::string_view text) { testing::WriteFile(path, text); }
    static void WriteFile(const std::filesystem::path& path, const TBytes& bytes) { testing::WriteFile(path, bytes); }

    void ExpectReadsTheSourceFiles(const std::filesystem::path& zipPath) {
        TMemoryStream stream(testing::ReadFile(zipPath));
        TZipArchive archive;
        archive.SetPassword(password);
        archive.Open(stream);
        for (const char* name : {"web/index.html", "web/big.txt", "web/random.bin", "web/empty.txt"}) {
            SCOPED_TRACE(name);
            TMemoryStream target;
            ASSERT_EQ(archive.ExtractToStreamChecked(name, target), TExtractResult::Ok);
            EXPECT_EQ(target.Bytes(), testing::ReadFile(source / name));
        }
    }

    testing::TTempDir dir;
    std::filesystem::path source = dir / "source";
    TBytes random = testing::PseudoRandomBytes(30000, 77);
    std::string password = ArchivePassword();
};

TEST_F(InteropTest, OurArchivesOpenInInfoZipAnd7Zip) {
    for (const bool deflate : {false, true}) {
        SCOPED_TRACE(deflate ? "deflate" : "stored");
        const TBytes zip = testing::MakeArchive({{"web/index.html", BytesOf("<h1>Hello</h1>"), deflate},
                                                 {"web/big.txt", BytesOf(std::string(200000, 'b') + "end"), deflate},
                                                 {"web/random.bin", random, deflate},
                                                 {"web/empty.txt", {}, deflate}},
                                                password);
        testing::WriteFile(dir / "ours.zip", zip);
        const auto unzipped = dir / "unzip";
        const auto sevenZipped = dir / "7z";
        std::filesystem::remove_all(unzipped);
        std::filesystem::remove_all(sevenZipped);
        ASSERT_EQ(Shell("unzip -qq -P '" + password + "' " + Quote(dir / "ours.zip") + " -d " + Quote(unzipped)), 0);
        ASSERT_EQ(Shell("7z x -bd -y -p'" + password + "' -o" + Quote(sevenZipped) + " " + Quote(dir / "ours.zip") +
                        " >/dev/null"),
                  0);
        for (const auto& root : {unzipped, sevenZipped}) {
            for (const char* name : {"web/index.html", "web/big.txt", "web/random.bin", "web/empty.txt"}) {
                SCOPED_TRACE(root.string() + " " + name);
                EXPECT_EQ(testing::ReadFile(root / name), testing::ReadFile(source / name));
            }
        }
        EXPECT_EQ(Shell("unzip -qq -t -P '" + password + "' " + Quote(dir / "ours.zip") + " >/dev/null"), 0);
    }
}

TEST_F(InteropTest, InfoZipArchivesOpenInOurReader) {
    for (const char* level : {"-0", "-6"}) {
        SCOPED_TRACE(level);
        const auto zipPath = dir / (std::string("infozip") + level + ".zip");
        ASSERT_EQ(Shell("cd " + Quote(source) + " && zip -q -r " + level + " -P '" + password + "' " + Quote(zipPath) +
                        " web"),
                  0);
        ExpectReadsTheSourceFiles(zipPath);
    }
}

TEST_F(InteropTest, SevenZipArchivesOpenInOurReader) {
    for (const char* level : {"-mx=0", "-mx=5"}) {
        SCOPED_TRACE(level);
        const auto zipPath = dir / (std::string("7zip") + level + ".zip");
        ASSERT_EQ(Shell("cd " + Quote(source) + " && 7z a -bd -tzip -mem=ZipCrypto " + level + " -p'" + password +
                        "' " + Quote(zipPath) + " web >/dev/null"),
                  0);
        ExpectReadsTheSourceFiles(zipPath);
    }
}

}  // namespace
}  // namespace vellum
