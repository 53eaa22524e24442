// The portable rules under the file functions: the path rule, base64, wildcard masks, and the
// replacement that never loses the old file.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "bridge/app_path.h"
#include "core/errors.h"
#include "core/text/base64.h"
#include "core/text/wildcard_mask.h"
#include "platform/file_replacement.h"
#include "test_files.h"

namespace vellum {
namespace {

using testing::BytesOf;
using testing::ReadFile;
using testing::TTempDir;

TEST(ResolveAppPath, DrivesAndSharesAreKeptAndTheRestJoinsTheAppFolder) {
    const std::string app = "C:\\apps\\hello\\";
    const std::pair<const char*, const char*> cases[] = {
        {"data/a.txt", "C:\\apps\\hello\\data\\a.txt"},
        {"C:/data/a.txt", "C:/data/a.txt"},
        {"d:\\x", "d:\\x"},
        {"z:", "z:"},
        {"\\\\server\\share\\a.txt", "\\\\server\\share\\a.txt"},
        {"\\\\server\\share", "\\\\server\\share"},
        {"//server/share/a.txt", "C:\\apps\\hello\\\\\\server\\share\\a.txt"},  // not a share: slashes
        {"\\\\server", "C:\\apps\\hello\\\\\\server"},                         // no share name
        {"\\\\\\x\\y", "C:\\apps\\hello\\\\\\\\x\\y"},                         // no server name
        {"/a.txt", "C:\\apps\\hello\\\\a.txt"},                                 // doubled delimiter kept
        {"../up.txt", "C:\\apps\\hello\\..\\up.txt"},                          // ".." passed on
        {"a//b", "C:\\apps\\hello\\a\\\\b"},
        {"1:/x", "C:\\apps\\hello\\1:\\x"},                                    // no drive letter
        {"é:/x", "C:\\apps\\hello\\é:\\x"},
    };
    for (const auto& [path, resolved] : cases) EXPECT_EQ(ResolveAppPath(path, app), resolved) << path;
    EXPECT_EQ(AppDirPathOf("C:\\apps\\hello\\Hello.exe"), app);
    EXPECT_EQ(AppDirPathOf("/opt/hello/Hello"), "/opt/hello/");
    EXPECT_EQ(ResolveAppPath("a/b", "/opt/hello/"), "/opt/hello/a\\b");
}

TEST(DecodeBase64, StandardAlphabetWithLenientEdges) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"YQ==", "a"},
        {"YWI=", "ab"},
        {"YWJj", "abc"},
        {"YWJjZA==", "abcd"},
        {"+/8=", "\xFB\xFF"},
        {"YWJjZA", "abc"},             // an incomplete last group is ignored
        {"YWJjZ", "abc"},
        {"YQ==YWJj", "a"},             // the fill ends the data
        {"YW Jj\r\nZA==\n", "abcd"},   // blanks and line breaks anywhere
        {"YWJj!ZA==", "abc"},          // another character ends the data
        {"YWJj-_", "abc"},             // the URL alphabet is not this one
        {"Y===", ""},                  // a fill in second place is no group
        {"YQ=x", ""},
        {"=YWJ", ""},
        {"data:text/plain;base64,YWJj", "abc"},
        {"  DATA:image/png;base64,\nYWJj", "abc"},
        {"data:no-comma", ""},
        {"x data:,YWJj", "\xC5\xD6\xAD"},  // a header only at the start: "xdat", up to the ":"
        {"YQ", ""},
    };
    for (const auto& [text, bytes] : cases) {
        const std::vector<std::uint8_t> decoded = DecodeBase64(text);
        EXPECT_EQ(std::string(decoded.begin(), decoded.end()), bytes) << text;
    }
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(DecodeBase64(
                  "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZHSElK"
                  "S0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3BxcnN0dXZ3eHl6e3x9fn+AgYKDhIWGh4iJiouMjY6PkJGSk5SV"
                  "lpeYmZqbnJ2en6ChoqOkpaanqKmqq6ytrq+wsbKztLW2t7i5uru8vb6/wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g"
                  "4eLj5OXm5+jp6uvs7e7v8PHy8/T19vf4+fr7/P3+/w=="),
              BytesOf(all));
}

TEST(WildcardMask, WindowsRulesForStarAndQuestionMark) {
    struct TCase {
        const char* Name;
        const char* Mask;
        bool Matches;
    };
    const TCase cases[] = {
        {"a.txt", "*.txt", true},        {"A.TXT", "*.txt", true},      {"a.txt.bak", "*.txt", false},
        {"README", "*.*", true},         {"a.b.c", "*.*", true},        {"readme", "readme.*", true},
        {"readme.md", "readme.*", true}, {"a", "*", true},              {".hidden", "*", true},
        {"ab.txt", "?.txt", false},      {"a.txt", "?.txt", true},      {"é.txt", "?.txt", true},
        {"x.html", "*.htm", false},      {"abc", "a*c", true},          {"abcbc", "a*bc", true},
        {"ab", "a*bc", false},           {"report-2024.csv", "report-????.csv", true},
        {"a", "a*", true},               {"a", "?", true},              {"", "?", false},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*c", false},
    };
    for (const TCase& item : cases)
        EXPECT_EQ(MatchesWildcardMask(item.Name, item.Mask), item.Matches) << item.Name << " " << item.Mask;
    for (const char* bad : {"a/b", "a\\b", "<", ">", "\"", "|", "c:*", "a\tb"}) EXPECT_FALSE(IsValidWildcardMask(bad)) << bad;
    for (const char* good : {"*.*", "?", "é*.txt", "a b"}) EXPECT_TRUE(IsValidWildcardMask(good)) << good;
}

// Every name in a folder, to show that no temporary file is left beside the target.
std::vector<std::string> Names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ReplaceFileContents, AFailurePartWayKeepsTheOldFileWholeAndLeavesNothingBeside) {
    TTempDir dir;
    const auto target = dir / "a.txt";
    testing::WriteFile(target, "old content");
    EXPECT_THROW(ReplaceFileContents(target.string(),
                                     [](TStream& stream) {
                                         stream.Write("new", 3);
                                         throw EConvertError("No mapping for the Unicode character");
                                     }),
                 EConvertError);
    EXPECT_EQ(ReadFile(target), BytesOf("old content"));
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"a.txt"});

    ReplaceFileContents(target.string(), [](TStream& stream) { stream.Write("new", 3); });
    EXPECT_EQ(ReadFile(target), BytesOf("new"));
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"a.txt"});
}

TEST(ReplaceFileContents, ATargetThatCannotBeReplacedStaysAsItWas) {
    TTempDir dir;
    const auto readOnly = dir / "ro.txt";
    testing::WriteFile(readOnly, "keep");
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
    std::filesystem::create_directory(dir / "folder");
    for (const auto& target : {readOnly, dir / "folder"}) {
        try {
            ReplaceFileContents(target.string(), [](TStream& stream) { stream.Write("new", 3); });
            ADD_FAILURE() << target << " was replaced";
        } catch (const EFileError& error) {
            EXPECT_EQ(std::string(error.what()).rfind("Cannot create file \"" + target.string() + "\". ", 0), 0u)
                << error.what();
        }
    }
    EXPECT_EQ(ReadFile(readOnly), BytesOf("keep"));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "folder"));
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"folder", "ro.txt"}));
    EXPECT_THROW(ReplaceFileContents((dir / "missing" / "a.txt").string(), [](TStream&) {}), EFileError);
}

TEST(ReplaceFileContents, KeepsThePermissionsOfTheFileItReplaces) {
    TTempDir dir;
    const auto target = dir / "run.sh";
    testing::WriteFile(target, "old");
    std::filesystem::permissions(target, std::filesystem::perms::owner_all);
    ReplaceFileContents(target.string(), [](TStream& stream) { stream.Write("new", 3); });
    EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all, std::filesystem::perms::owner_all);
}

}  // namespace
}  // namespace vellum
