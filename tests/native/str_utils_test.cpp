#include "core/text/str_utils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/errors.h"
#include "test_files.h"

namespace vellum {
namespace {

TEST(StringToJsonString, EscapesByUtf16CodeUnit) {
    struct TCase {
        const char* value;
        const char* expected;
    };
    const TCase cases[] = {
        {"", "\"\""},
        {"/", "\"\\/\""},
        {"\"q\" \\", "\"\\\"q\\\" \\\\\""},
        {"\xC3\xA9", "\"\xC3\xA9\""},          // é passes
        {"\xE2\x82\xAC", "\"\\u20AC\""},       // € and above are escaped
        {"\xE2\x82\xAB", "\"\xE2\x82\xAB\""},  // U+20AB, just below, passes
        {"\t\n\r\b\f", "\"\\t\\n\\r\\b\\f\""},
        {"\x01\x1F", "\"\\u0001\\u001F\""},
        {"\x7F", "\"\x7F\""},
        {"\xD0\x96\xCE\xA9", "\"\xD0\x96\xCE\xA9\""},  // Cyrillic and Greek pass
        {"\xF0\x9F\x98\x80", "\"\\uD83D\\uDE00\""},    // each surrogate half by itself
        {"\xEF\xBF\xBF", "\"\\uFFFF\""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(TStrUtils::StringToJsonString(c.value), c.expected);
    }
    EXPECT_EQ(TStrUtils::StringToJsonString(std::string("a\0b", 3)), "\"a\\u0000b\"");
}

TEST(QuoteJavascriptAndArguments, RoundTripsThroughTheirEscapes) {
    EXPECT_EQ(TStrUtils::QuoteJavascript("it's \"x\""), "it\\x27s \\x22x\\x22");
    EXPECT_EQ(TStrUtils::UnquoteJavascript("it\\x27s \\x22x\\x22 \\X27"), "it's \"x\" \\X27");
    EXPECT_EQ(TStrUtils::UnquoteJavascript(TStrUtils::QuoteJavascript("a\\x27b")), "a'b")
        << "backslashes are not escaped";
    EXPECT_EQ(TStrUtils::QuoteArguments("a:b|c'd"), "a\\x3ab\\x7cc\\x27d");
    EXPECT_EQ(TStrUtils::UnquoteArguments("a\\x3ab\\x7cc\\x27d"), "a:b|c'd");
}

TEST(ExplodeAndImplode, FollowTheElementCountRules) {
    struct TCase {
        const char* separator;
        const char* value;
        TArrayStrings expected;
    };
    const TCase cases[] = {
        {",", "a,,b,", {"a", "", "b", ""}}, {",", "", {""}},      {"", "a,b", {"a,b"}},
        {"::", "a::b:c", {"a", "b:c"}},     {",", ",", {"", ""}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.separator) + " | " + c.value);
        EXPECT_EQ(TStrUtils::ExplodeStrings(c.separator, c.value), c.expected);
    }
    EXPECT_EQ(TStrUtils::ImplodeStrings(", ", {"a", "b"}), "a, b");
    EXPECT_EQ(TStrUtils::ImplodeStrings(", ", {}), "");
    EXPECT_EQ(TStrUtils::ImplodeStrings("", {"a", "b"}), "ab");
    EXPECT_EQ(TStrUtils::ImplodeStrings(",", {"", ""}), ",");
}

TEST(JavascriptArray, QuotesTrimmedNonEmptyLines) {
    EXPECT_EQ(TStrUtils::GetJavascriptArrayFromMultilineString("a\r\n  it's  \n"), "\"a\", \"it\\x27s\"");
    EXPECT_EQ(TStrUtils::GetJavascriptArrayFromMultilineString("x\n\n   \ny"), "\"x\", \"\", \"y\"");
    EXPECT_EQ(TStrUtils::GetJavascriptArrayFromMultilineString(""), "");
    EXPECT_EQ(TStrUtils::GetJavascriptArrayFromMultilineString("say \"hi\""), "\"say \\x22hi\\x22\"");
}

TEST(UrlArguments, DecodeQueryItemsAsUtf8WithPlusAsBlank) {
    std::vector<std::string> arguments = {"old"};
    TStrUtils::GetUrlArguments("file:///app/index.html?name=J%C3%BCrgen+M&empty=&a%2Bb=1%26&&last#frag?x=1", arguments);
    EXPECT_EQ(arguments, (std::vector<std::string>{"name=J\xC3\xBCrgen M", "empty=", "a+b=1&", "", "last"}));
    TStrUtils::GetUrlArguments("file:///app/index.html#a?b", arguments);
    EXPECT_EQ(arguments, (std::vector<std::string>{"b"})) << "the query starts after the first '?'";
    TStrUtils::GetUrlArguments("file:///app/index.html", arguments);
    EXPECT_TRUE(arguments.empty());
    TStrUtils::GetUrlArguments("x?bad=%zz%4", arguments);
    EXPECT_EQ(arguments, (std::vector<std::string>{"bad=%zz%4"})) << "a broken escape stays as written";
    TStrUtils::GetUrlArguments("x?q=%FF", arguments);
    EXPECT_EQ(arguments, (std::vector<std::string>{"q=\xEF\xBF\xBD"})) << "bytes that are not UTF-8";
}

TEST(StrToResolution, FindsTheFirstLowerCaseXPair) {
    struct TCase {
        const char* value;
        std::int32_t width, height;
    };
    const TCase cases[] = {
        {"1920x1080", 1920, 1080}, {"1920X1080", -1, -1}, {"size 800x600 px and 1024x768", 800, 600}, {"", -1, -1},
        {"x600", -1, -1},          {"007x08", 7, 8},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.value);
        std::int32_t width = 0, height = 0;
        TStrUtils::StrToResolution(c.value, width, height);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
    }
    std::int32_t width = 0, height = 0;
    EXPECT_THROW(TStrUtils::StrToResolution("99999999999x5", width, height), EConvertError);
    EXPECT_EQ(width, -1);
    EXPECT_EQ(height, -1);
    EXPECT_THROW(TStrUtils::StrToResolution("5x99999999999", width, height), EConvertError);
    EXPECT_EQ(width, 5) << "converted before the failure";
    EXPECT_EQ(height, -1);
}

// The pattern ([0-9]+)x([0-9]+) tried the way a backtracking engine tries it: every start,
// every length of the first number, the longest second number.
void ResolutionByBacktracking(std::string_view value, std::int32_t& width, std::int32_t& height) {
    width = height = -1;
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t start = 0; start < value.size(); ++start) {
        for (std::size_t x = start + 1; x < value.size() && isDigit(value[x - 1]); ++x) {
            if (value[x] != 'x' || x + 1 >= value.size() || !isDigit(value[x + 1])) continue;
            std::size_t end = x + 1;
            while (end < value.size() && isDigit(value[end])) ++end;
            width = std::stoi(std::string(value.substr(start, x - start)));
            height = std::stoi(std::string(value.substr(x + 1, end - x - 1)));
            return;
        }
    }
}

TEST(StrToResolution, FindsWhatThePatternFound) {
    std::mt19937 random(424242);
    const std::string alphabet = "0123456789xxxX -";
    for (int round = 0; round < 20000; ++round) {
        std::string value(random() % 11, ' ');  // runs of at most 9 digits: no overflow
        for (char& c : value) c = alphabet[random() % alphabet.size()];
        SCOPED_TRACE(value);
        std::int32_t width = 0, height = 0, expectedWidth = 0, expectedHeight = 0;
        TStrUtils::StrToResolution(value, width, height);
        ResolutionByBacktracking(value, expectedWidth, expectedHeight);
        ASSERT_EQ(width, expectedWidth);
        ASSERT_EQ(height, expectedHeight);
    }
}

TEST(StrToResolution, LongRunsOfDigitsTakeOnePass) {
    // A megabyte of digits with no "x<digit>" after them: retrying each digit as a start took
    // time in the square of the run (3.6 s for 100 KB); one pass takes milliseconds.
    const std::string digits(1 << 20, '7');
    struct TCase {
        std::string value;
        std::int32_t width, height;
    };
    const TCase cases[] = {
        {digits + "x", -1, -1},
        {digits + "x 1920x1080", 1920, 1080},
        {digits + "xx5", -1, -1},
        {"640x" + digits.substr(0, 4) + "x" + digits, 640, 7777},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.value.substr(c.value.size() - 12));
        std::int32_t width = 0, height = 0;
        TStrUtils::StrToResolution(c.value, width, height);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
    }
    std::int32_t width = 0, height = 0;
    EXPECT_THROW(TStrUtils::StrToResolution(digits + "x5", width, height), EConvertError)
        << "a first number beyond 32 bits";
}

TEST(SmallOperations, BehaveAsDocumented) {
    EXPECT_EQ(TStrUtils::AddTrailingUrlSlash(""), "/");
    EXPECT_EQ(TStrUtils::AddTrailingUrlSlash("http://a/"), "http://a/");
    EXPECT_EQ(TStrUtils::AddTrailingUrlSlash("http://a"), "http://a/");
    EXPECT_EQ(TStrUtils::Capitalize("hello"), "Hello");
    EXPECT_EQ(TStrUtils::Capitalize("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9") << "only a to z change";
    EXPECT_EQ(TStrUtils::Capitalize(""), "");
    EXPECT_EQ(TStrUtils::AddLeadingZeroes(7, 3), "007");
    EXPECT_EQ(TStrUtils::AddLeadingZeroes(1234, 2), "1234");
    EXPECT_EQ(TStrUtils::AddLeadingZeroes(-7, 3), "-007");
    EXPECT_EQ(TStrUtils::AddLeadingZeroes(INT32_MIN, 1), "-2147483648");
    EXPECT_EQ(TStrUtils::RepeatString("ab", 3), "ababab");
    EXPECT_EQ(TStrUtils::RepeatString("ab", 0), "");
    EXPECT_EQ(TStrUtils::RepeatString("ab", -2), "");
    EXPECT_TRUE(TStrUtils::FilePathIsHttpUrl("HTTPS://example.org"));
    EXPECT_TRUE(TStrUtils::FilePathIsHttpUrl("http://"));
    EXPECT_FALSE(TStrUtils::FilePathIsHttpUrl("ftp://example.org"));
    EXPECT_TRUE(TStrUtils::FilePathIsAppRelative("App/Files/x.txt"));
    EXPECT_FALSE(TStrUtils::FilePathIsAppRelative("app/files"));
    EXPECT_TRUE(TStrUtils::FilePathIsPluginRelative("APP/PLUGINS/p.dll"));
}

TEST(SubStringExists, HonoursItsThreeOptions) {
    struct TCase {
        const char* text;
        const char* sub;
        TSearchOptions options;
        bool expected;
    };
    const TCase cases[] = {
        {"Hello World", "world", soDown, true},
        {"Hello World", "world", soDown | soMatchCase, false},
        {"Hello World", "World", soDown | soMatchCase, true},
        {"Hello World", "World", soMatchCase, false},  // backward from the start finds nothing
        {"Hello World", "lo W", soDown | soWholeWord, false},
        {"Hello World", "hello", soDown | soWholeWord, true},
        {"Helloworld hello", "hello", soDown | soWholeWord, true},  // the second occurrence is a word
        {"abc1 abc", "abc", soDown | soWholeWord, true},
        {"abc1", "abc", soDown | soWholeWord, false},
        {"x-abc.", "abc", soDown | soWholeWord, true},
        {"\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xD0\x9F\xD0\xA0\xD0\x98", soDown, true},  // привет / ПРИ
        {"abc", "", soDown, false},
        {"ab", "abc", soDown, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.sub + " / " + std::to_string(c.options));
        EXPECT_EQ(TStrUtils::SubStringExists(c.text, c.sub, c.options), c.expected);
    }
}

TEST(OleVarToStr, ShowsStringsNumbersAndDatesOnly) {
    EXPECT_EQ(TStrUtils::OleVarToStr(TOleVariant{}), "");
    EXPECT_EQ(TStrUtils::OleVarToStr(TOleNull{}), "");
    EXPECT_EQ(TStrUtils::OleVarToStr(TOleOther{}), "");
    EXPECT_EQ(TStrUtils::OleVarToStr(std::string("text")), "text");
    EXPECT_EQ(TStrUtils::OleVarToStr(std::int64_t{-42}), "-42");
    EXPECT_EQ(TStrUtils::OleVarToStr(1.5), "1.5");
    EXPECT_EQ(TStrUtils::OleVarToStr(0.1), "0.1");
    EXPECT_EQ(TStrUtils::OleVarToStr(true), "True");
    EXPECT_EQ(TStrUtils::OleVarToStr(TOleDate{2026, 12, 9, 0, 0, 0}), "2026-12-09");
    EXPECT_EQ(TStrUtils::OleVarToStr(TOleDate{2026, 12, 9, 13, 5, 7}), "2026-12-09 13:05:07");
}

TEST(RandomStrings, DrawFromTheGivenCharacters) {
    const std::string text = TStrUtils::GetRandomString(200, "ab\xC3\xA9");
    EXPECT_EQ(text.find_first_not_of("ab\xC3\xA9"), std::string::npos);
    EXPECT_NE(text.find('a'), std::string::npos);
    EXPECT_NE(text.find("\xC3\xA9"), std::string::npos) << "characters, not bytes, are drawn";
    EXPECT_EQ(TStrUtils::GetRandomString(0, "abc"), "");
    EXPECT_EQ(TStrUtils::GetRandomString(-1, ""), "");
    EXPECT_THROW(TStrUtils::GetRandomString(3, ""), EVellumError);
    const std::string suffixed = TStrUtils::GetControlRandomSuffix("button");
    ASSERT_EQ(suffixed.size(), std::string("button-").size() + 10);
    EXPECT_EQ(suffixed.substr(0, 7), "button-");
    EXPECT_EQ(suffixed.find_first_not_of("abcdefghijklmnopqrstuvwxyz1234567890", 7), std::string::npos);
}

TEST(CompilerCacheDir, UsesTheAppFolderWhenItExists) {
    testing::TTempDir dir;
    const std::string folder = dir.Path().string() + "/";
    EXPECT_EQ(TStrUtils::GetCompilerCacheDir(folder + "My.App.exe", "_cache", "tmp", "/default"),
              folder + "My.App_cache/");
    EXPECT_EQ(TStrUtils::GetCompilerCacheDir(folder + "missing/App.exe", "_cache", "tmp", "/default"),
              "/default/App_cache/");
    EXPECT_EQ(TStrUtils::GetCompilerCacheDir("", "_cache", "temp-cache", "/default/"), "/default/temp-cache/");
}

TEST(GetFileMIMEType, UsesTheBuiltInTable) {
    struct TCase {
        const char* name;
        const char* expected;
    };
    const TCase cases[] = {
        {"index.html", "text/html"},
        {"app/scripts/main.JS", "text/javascript"},
        {"logo.png", "image/x-png"},
        {"PHOTO.JPG", "image/jpeg"},
        {"song.mp3", "audio/x-mpg"},
        {"clip.mp4", "video/mpeg"},
        {"a.svg", "image/svg+xml"},
        {"a.zip", "application/x-zip-compressed"},
        {"data.json", "application/octet-stream"},
        {"module.mjs", "application/octet-stream"},
        {"code.wasm", "application/octet-stream"},
        {"font.woff2", "application/octet-stream"},
        {"font.ttf", "application/octet-stream"},
        {"README", "application/octet-stream"},
        {"dir.v1\\README", "application/octet-stream"},  // a backslash ends the search
        {"dir.css/README", "application/octet-stream"},  // a forward slash does not: ".css/readme"
        {"C:page", "application/octet-stream"},
        {"archive.tar.gz", "application/x-gzip"},
        {"trailing.", "application/octet-stream"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TStrUtils::GetFileMIMEType(c.name), c.expected);
    }
}

}  // namespace
}  // namespace vellum
