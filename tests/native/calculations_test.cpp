#include "core/archive/calculations.h"

#include <gtest/gtest.h>

#include "core/errors.h"

namespace vellum {
namespace {

TEST(CalculateWidth, ShiftsLettersBackByTheKeyAndKeepsEverythingElse) {
    struct TCase {
        const char* text;
        const char* key;
        const char* expected;
    };
    const TCase cases[] = {
        {"ABC", "A", "ABC"},          // A shifts by zero
        {"BCD", "B", "ABC"},          // capital letters move back
        {"bcd", "B", "abc"},          // small letters keep their case
        {"Aa", "B", "Zz"},            // and wrap around below A and a
        {"a1b", "AB", "a1b"},         // "1" consumes key position B, so b meets A again
        {"a b", "BA", "z a"},         // the blank consumes key position A, so b meets B again
        {"xyzxyz", "ABC", "xxxxxx"},  // the key starts again after its last character
        {"", "ABC", ""},
        {"Hello, World!", "Z", "Ifmmp, Xpsme!"},  // a shift of 25 is one forward
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.key);
        EXPECT_EQ(CalculateWidth(std::string(c.text), std::string(c.key)), std::string(c.expected));
    }
}

TEST(CalculateWidth, RejectsKeyCharactersOutsideCapitalLetters) {
    for (const char* key : {"ABc", "AB1", "A B", "\xC3\x84"}) {
        SCOPED_TRACE(key);
        try {
            CalculateWidth(std::string("text"), std::string(key));
            FAIL() << "no error raised";
        } catch (const EVellumError& error) {
            EXPECT_STREQ(error.what(), "Invalid character in CalculateWidth key.");
        }
    }
}

TEST(CalculateWidth, WorksOnUtf16CodeUnitsAndLeavesOtherCharactersAlone) {
    EXPECT_EQ(CalculateWidth(std::u16string(u"\u00E9b\U0001F600c"), u"BB"), std::u16string(u"\u00E9a\U0001F600b"));
}

TEST(ArchivePassword, HasTheTextsLengthAndIsTheSameOnEveryCall) {
    const std::string password = ArchivePassword();
    EXPECT_EQ(password.size(), 26u);
    EXPECT_EQ(password, ArchivePassword());
    // Pinned: packaged apps in the field depend on it; changing it orphans every archive.
    EXPECT_EQ(password, "Ffuoil-Qvratsg.Frd #2026!e");
}

}  // namespace
}  // namespace vellum
