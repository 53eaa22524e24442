// The toast document and the identity notifications are shown under.
#include <gtest/gtest.h>

#include <cctype>

#include "platform/notification_content.h"

namespace vellum {
namespace {

TEST(NotificationContent, PageTextIsXmlCharacterDataAndNothingMore) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"a<b>&c\"d'e", "a&lt;b&gt;&amp;c&quot;d&apos;e"},
        {"</text></binding><binding>", "&lt;/text&gt;&lt;/binding&gt;&lt;binding&gt;"},
        {"&amp;", "&amp;amp;"},
        {"tab\tline\nreturn\r", "tab\tline\nreturn\r"},
        {std::string("nul\0bell\x07" "esc\x1b", 13), "nulbellesc"},
        {"Grüße ✓ 😀", "Grüße ✓ 😀"},
        {"\xEF\xBF\xBE\xEF\xBF\xBF!", "!"},             // U+FFFE, U+FFFF
        {"bad\xC3 \xFF\xC0\xAF\xED\xA0\x80 end", "bad  end"},  // cut, invalid, overlong, surrogate
        {"\xF0\x9F\x98", ""},                            // a sequence cut at the end
    };
    for (const auto& [text, escaped] : cases) EXPECT_EQ(XmlEscaped(text), escaped) << text;
}

TEST(NotificationContent, TheToastDocumentCarriesTitleAndBodyEscaped) {
    EXPECT_EQ(ToastXml("Build <done>", "a & b"),
              "<toast><visual><binding template=\"ToastText02\"><text id=\"1\">Build &lt;done&gt;</text>"
              "<text id=\"2\">a &amp; b</text></binding></visual></toast>");
    EXPECT_EQ(ToastXml("", ""),
              "<toast><visual><binding template=\"ToastText02\"><text id=\"1\"></text>"
              "<text id=\"2\"></text></binding></visual></toast>");
}

TEST(NotificationContent, TheIdentityIsStablePerFileNameAndKeepsToAllowedCharacters) {
    const std::string hello = NotificationAppUserModelId("Hello.exe");
    EXPECT_EQ(hello.rfind("Vellum.Hello.", 0), 0u) << hello;
    EXPECT_EQ(hello.size(), std::string("Vellum.Hello.").size() + 8);
    EXPECT_EQ(NotificationAppUserModelId("HELLO.EXE").substr(13), hello.substr(13)) << "the hash ignores ASCII case";
    EXPECT_NE(NotificationAppUserModelId("My App.exe"), NotificationAppUserModelId("My_App.exe"))
        << "names told apart by a dropped character stay apart";
    EXPECT_EQ(NotificationAppUserModelId("My App!.exe").rfind("Vellum.My_App_.", 0), 0u);
    EXPECT_EQ(NotificationAppUserModelId("Grüße.exe").rfind("Vellum.Gr____e.", 0), 0u);
    const std::string longId = NotificationAppUserModelId(std::string(300, 'x') + ".exe");
    EXPECT_EQ(longId.size(), 7u + 64 + 9) << "well below the platform's 128 characters";
    for (const char c : NotificationAppUserModelId("a b\"c\\d<e>.exe"))
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_') << c;
}

}  // namespace
}  // namespace vellum
