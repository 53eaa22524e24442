#include <gtest/gtest.h>

#include "core/text/text_decoding.h"
#include "core/text/utf.h"

namespace vellum {
namespace {

TEST(Utf, ConvertsBetweenUtf8AndUtf16AndReplacesWhatIsIllFormed) {
    EXPECT_EQ(Utf8ToUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), std::u16string(u"a\u00E9\u20AC\U0001F600"));
    EXPECT_EQ(Utf16ToUtf8(u"a\u00E9\u20AC\U0001F600"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    struct TCase {
        const char* what;
        std::string bytes;
        std::u16string expected;
    };
    const TCase cases[] = {
        {"lone continuation byte", "a\x80z", u"a\uFFFDz"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD"},
        {"cut sequence at the end", "ok\xE2\x82", u"ok\uFFFD"},
        {"beyond U+10FFFF", "\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Utf8ToUtf16(c.bytes), c.expected);
        EXPECT_FALSE(IsValidUtf8(c.bytes));
    }
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD") << "a lone surrogate";
    EXPECT_TRUE(IsValidUtf8("plain \xC3\xA9 text \xEF\xBF\xBD"));
}

TEST(TextDecoding, AnsiIsWindows1252OnThisPlatform) {
    EXPECT_EQ(Windows1252ToUtf8("\x80\x9F\xA0\xFF\x81"), "\xE2\x82\xAC\xC5\xB8\xC2\xA0\xC3\xBF\xC2\x81");
    EXPECT_EQ(DecodeTextWithBom("caf\xE9"), "caf\xC3\xA9");
}

TEST(TextDecoding, SplitsLinesAtEveryBreakKind) {
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitLines("\r\n\r"), (std::vector<std::string>{"", ""}));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(TextDecoding, TrimsBlanksAndControlCharactersOnly) {
    EXPECT_EQ(TrimText(" \t\x01 key = value \x1F\x7F"), "key = value \x1F\x7F");
    EXPECT_EQ(TrimText("\xC2\xA0x"), "\xC2\xA0x") << "a no-break space is not a blank here";
    EXPECT_EQ(TrimText(std::string("\0x\0", 3)), "x");
}

}  // namespace
}  // namespace vellum
