// The browser form and the bridge module against the WebView2 test double.
#include <gtest/gtest.h>

#include <limits>
#include <map>

#include "bridge/bridge_arguments.h"
#include "bridge/browser_external_module.h"
#include "bridge/page_event_scripts.h"
#include "app/browser_form/browser_form.h"
#include "browser_fixture.h"
#include "core/archive/calculations.h"
#include "core/archive/zip_archive.h"
#include "core/errors.h"
#include "core/stream/stream.h"
#include "core/text/str_utils.h"
#include "recording_dialogs.h"
#include "test_archives.h"
#include "test_files.h"

namespace vellum {
namespace {

using namespace webview2;

class TFakeFormPlatform final : public IBrowserFormPlatform {
public:
    void HideProgressBar() override { ++ProgressBarHidden; }
    void FocusWindowAbove(int levels) override { Focused.push_back(levels); }
    void StartNewInstance(const std::string& parameters) override { Started.push_back(parameters); }
    std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) override {
        Reads.push_back(path);
        const auto found = Files.find(path);
        if (found == Files.end()) return std::nullopt;
        return std::vector<std::uint8_t>(found->second.begin(), found->second.end());
    }
    std::string LibraryScript() override { return "\xEF\xBB\xBF/* lib */window.vlm = {};"; }
    char PathDelimiter() const override { return '\\'; }

    int ProgressBarHidden = 0;
    std::vector<int> Focused;
    std::vector<std::string> Started;
    std::vector<std::string> Reads;
    std::map<std::string, std::string> Files;
};


TEST(BridgeArguments, AnswerTextFollowsTheTemplateExactly) {
    EXPECT_EQ(FormatBridgeAnswer("0f8fad5b-d9cb-469f-a165-70867728950e", "true", true),
              R"({"uuid": "0f8fad5b-d9cb-469f-a165-70867728950e", "success": true, "result": true})");
    EXPECT_EQ(FormatBridgeAnswer("u", "\"Missing filePath\"", false),
              R"({"uuid": "u", "success": false, "result": "Missing filePath"})");
}

TEST(BridgeArguments, ReadArgStringAndReadArgBool) {
    const json data = json::parse(
        R"({"s":"text","n":12,"f":1.5,"t":true,"no":false,"z":null,"o":{},"a":[],"T":"TRUE","zero":0,"seven":"7","x":"yes"})");
    const std::vector<std::pair<std::string, std::string>> texts = {
        {"s", "text"}, {"n", "12"}, {"f", "1.5"}, {"t", "true"}, {"no", "false"}, {"z", "dflt"}, {"missing", "dflt"}};
    for (const auto& [key, expected] : texts) EXPECT_EQ(ReadArgString(data, key, "dflt"), expected) << key;
    EXPECT_EQ(ReadArgString(data, "missing"), "") << "no default: empty text";
    EXPECT_THROW(ReadArgString(data, "o"), EConvertError);
    EXPECT_THROW(ReadArgString(data, "a"), EConvertError);

    const std::vector<std::pair<std::string, bool>> flags = {{"t", true},     {"no", false},    {"T", true},
                                                             {"zero", false}, {"seven", true},  {"n", true},
                                                             {"z", true},     {"missing", true}};
    for (const auto& [key, expected] : flags) EXPECT_EQ(ReadArgBool(data, key, true), expected) << key;
    for (const char* key : {"x", "f", "o", "a", "s"}) EXPECT_THROW(ReadArgBool(data, key), EConvertError) << key;
}

// Whole numbers beyond 64 bits arrive as doubles; they are true like every other non-zero
// whole number, and are not converted to an integer that cannot hold them.
TEST(BridgeArguments, ReadArgBoolTakesWholeNumbersBeyondSixtyFourBits) {
    json data = json::parse(R"({"big":84461744073709551615,"huge":-1e300,"zero":-0.0,"half":1e-300})");
    data["inf"] = std::numeric_limits<double>::infinity();  // no JSON text gives one; a caller might
    EXPECT_TRUE(ReadArgBool(data, "big"));
    EXPECT_TRUE(ReadArgBool(data, "huge"));
    EXPECT_FALSE(ReadArgBool(data, "zero", true));
    EXPECT_THROW(ReadArgBool(data, "half"), EConvertError);
    EXPECT_THROW(ReadArgBool(data, "inf"), EConvertError);
}

TEST(BridgeArguments, NotificationNamesAreEscapedForAStringLiteral) {
    EXPECT_EQ(NotificationClickScript("plain"), "vlm.events.onNotificationClick(\"plain\");");
    EXPECT_EQ(NotificationClickScript("a\"b\\c\nd"), "vlm.events.onNotificationClick(\"a\\\"b\\\\c\\nd\");");
}

class BrowserFormTest : public TBrowserFixture {
protected:
    void SetUp() override {
        TBrowserFixture::SetUp();
        form = std::make_unique<TBrowserForm>(Browser(), formPlatform, "C:\\apps\\hello\\");
        TBridgeServices services;
        services.Dialogs = &dialogs;
        services.FocusWindowAbovePage = [this](int levels) { focused.push_back(levels); };
        module = std::make_unique<TBrowserExternalModule>(std::move(services), queue);
        module->BrowserForm = &form->Page();
        // The window that wires the bridge: the form hands the page's messages to the module.
        form->OnPageMessage = [this](const TPageMessage& message) { module->EdgeBrowserWebMessageReceived(message); };
    }
    void TearDown() override {
        module.reset();
        form.reset();
        TBrowserFixture::TearDown();
    }

    // The packaged app's way: an archive with the app's files, the runtime settings.
    void UseArchive(const std::vector<testing::TArchiveFile>& files) {
        archiveStream = std::make_unique<TMemoryStream>(testing::MakeArchive(files, ArchivePassword()));
        archive = std::make_unique<TZipArchive>();
        archive->SetPassword(ArchivePassword());
        archive->Open(*archiveStream);
        form->ExeZip = archive.get();
        form->AppDirName = "app";
        form->IsRuntime = true;
        form->HandleRequests = true;
        form->WithExternal = true;
        form->RuntimeAppID = "HelloApp";
        module->ExeZip = archive.get();
    }

    void SendJson(const std::string& message) { Play({{"action", "web_message"}, {"json", message}}); }
    static std::vector<std::string> Answers() {
        std::vector<std::string> texts;
        for (const json& record : Records("post_web_message")) texts.push_back(record["json"]);
        return texts;
    }

    TFakeFormPlatform formPlatform;
    testing::TRecordingDialogs dialogs;
    std::vector<int> focused;
    std::unique_ptr<TBrowserForm> form;
    std::unique_ptr<TBrowserExternalModule> module;
    std::unique_ptr<TMemoryStream> archiveStream;
    std::unique_ptr<TZipArchive> archive;
};

TEST_F(BrowserFormTest, ThePageScriptIsBuiltFromItsPieces) {
    const std::string guards =
        "\rwindow.addEventListener(\"dragover\", function(e){e.preventDefault();},false);"
        "\rwindow.addEventListener(\"drop\", function(e){e.preventDefault();}, false);";
    const std::string clicks =
        "\rwindow.addEventListener(\"click\", function () "
        "{window.chrome.webview.postMessage(\"vlm-webbrowser-clicked\");});";
    EXPECT_EQ(form->PageScript(), guards + clicks) << "preview mode reports clicks";
    form->IsRuntime = true;
    form->WebviewJavascript = " \t\r\n";
    EXPECT_EQ(form->PageScript(), guards) << "a blank package script is left out";
    form->WebviewJavascript = "  console.log(1);  ";
    form->WithExternal = true;
    EXPECT_EQ(form->PageScript(), "\r\xEF\xBB\xBF/* lib */window.vlm = {};" + guards + "\r  console.log(1);  ")
        << "the library keeps its byte-order mark; the package script its blanks";
}

TEST_F(BrowserFormTest, TheReadyBrowserIsConfiguredThenOpensTheStartPage) {
    form->AllowZoom = true;
    form->StartPageURL = "file:///index.html";
    CreateAndWait();
    std::vector<std::pair<std::string, int>> switches;
    for (const json& record : Records("settings")) switches.emplace_back(record["name"], record["value"]);
    EXPECT_EQ(switches, (std::vector<std::pair<std::string, int>>{{"IsScriptEnabled", 1},
                                                                  {"IsStatusBarEnabled", 0},
                                                                  {"IsWebMessageEnabled", 1},
                                                                  {"IsBuiltInErrorPageEnabled", 1},
                                                                  {"IsZoomControlEnabled", 1},
                                                                  {"AreDevToolsEnabled", 0},
                                                                  {"AreDefaultContextMenusEnabled", 0}}));
    ASSERT_EQ(Records("add_document_script").size(), 1u);
    EXPECT_EQ(Records("add_document_script")[0]["script"], form->PageScript());
    EXPECT_EQ(Records("add_filter").at(0)["uri"], "*");
    EXPECT_EQ(Records("add_filter").at(0)["context"], 0);
    EXPECT_LT(SequenceOf("add_document_script"), SequenceOf("settings"));
    EXPECT_LT(SequenceOf("add_filter"), SequenceOf("navigate"));
    EXPECT_EQ(Records("navigate").at(0)["uri"], "file:///index.html");
    EXPECT_EQ(formPlatform.ProgressBarHidden, 1) << "hidden at the first completed navigation";
}

TEST_F(BrowserFormTest, NoStartPageMeansNoNavigation) {
    CreateAndWait();
    EXPECT_EQ(Records("settings").size(), 7u);
    EXPECT_TRUE(Records("navigate").empty());
}

TEST_F(BrowserFormTest, FileAddressesAreServedFromTheArchiveThenTheDisk) {
    UseArchive({{"app/index.html", testing::BytesOf("<title>Hello</title>")},
                {"app/img/my pic.png", testing::BytesOf("PNG!")},
                {"app/lib/app.js", testing::BytesOf("let x = 1;"), true}});
    formPlatform.Files["C:\\apps\\hello\\beside.txt"] = "beside";
    formPlatform.Files["C:/data/a.txt"] = "absolute";
    CreateAndWait();
    struct TCase {
        const char* Uri;
        int Bytes;           // -1: no answer
        const char* TypeOf;  // the name whose MIME type is sent; nullptr: JavaScript
    };
    const TCase cases[] = {
        {"file:///index.html?x=1", 20, "index.html"},
        {"file:///img/my%20pic.png", 4, "my pic.png"},
        {"file:///lib/app.js", 10, nullptr},
        {"file:///beside.txt", 6, "beside.txt"},
        {"file:///C:/data/a.txt", 8, "a.txt"},
        {"file:///nowhere.txt", -1, ""},
        {"https://example.com/", -1, ""},
    };
    for (const TCase& item : cases) {
        SCOPED_TRACE(item.Uri);
        const std::size_t before = Records("resource_response").size();
        Browser().Navigate(item.Uri);
        queue.Pump();
        const auto responses = Records("resource_response");
        if (item.Bytes < 0) {
            EXPECT_EQ(responses.size(), before);
            continue;
        }
        ASSERT_EQ(responses.size(), before + 1);
        EXPECT_EQ(responses.back()["bytes"], item.Bytes);
        EXPECT_EQ(responses.back()["status"], 200);
        EXPECT_EQ(responses.back()["reason"], "OK");
        const std::string type =
            item.TypeOf == nullptr ? "application/javascript" : TStrUtils::GetFileMIMEType(item.TypeOf);
        EXPECT_EQ(responses.back()["headers"], "Content-Type: " + type + "; charset=utf-8");
        if (responses.size() == 1) {
            EXPECT_EQ(Browser().DocumentTitle(), "Hello") << "the page came from the archive";
        }
    }

    form->HandleRequests = false;
    const std::size_t before = Records("resource_response").size();
    Browser().Navigate("file:///index.html");
    queue.Pump();
    EXPECT_EQ(Records("resource_response").size(), before) << "HandleRequests false: nothing answered";
    EXPECT_EQ(Records("resource_unanswered").back()["uri"], "file:///index.html");
}

// A preview has no archive: its pages come from the project's pages folder and from nowhere
// else, neither the executable's folder nor an absolute path.
TEST_F(BrowserFormTest, InAPreviewOnlyThePagesFolderServesFiles) {
    testing::TTempDir pages;
    testing::WriteFile(pages / "index.html", "<title>Preview</title>");
    formPlatform.Files[std::filesystem::canonical(pages / "index.html").string()] = "<title>Preview</title>";
    formPlatform.Files["C:\\apps\\hello\\beside.txt"] = "beside";
    formPlatform.Files["C:/data/a.txt"] = "absolute";
    formPlatform.Files["/etc/hostname"] = "host";
    form->HandleRequests = true;
    form->WithExternal = true;
    form->AppDirName = "app";
    form->PreviewFolder = pages.Path().string();
    CreateAndWait();
    struct TCase {
        const char* Uri;
        int Bytes;  // -1: no answer
    };
    for (const TCase& item : {TCase{"file:///index.html?reload=1", 22}, TCase{"file:///beside.txt", -1},
                              TCase{"file:///C:/data/a.txt", -1}, TCase{"file:///etc/hostname", -1},
                              TCase{"file:///../index.html", -1}}) {
        SCOPED_TRACE(item.Uri);
        const std::size_t before = Records("resource_response").size();
        Browser().Navigate(item.Uri);
        queue.Pump();
        const auto responses = Records("resource_response");
        if (item.Bytes < 0) {
            EXPECT_EQ(responses.size(), before);
            continue;
        }
        ASSERT_EQ(responses.size(), before + 1);
        EXPECT_EQ(responses.back()["bytes"], item.Bytes);
    }
    for (const std::string& read : formPlatform.Reads)
        EXPECT_EQ(read.rfind(pages.Path().string(), 0), 0u) << "read outside the pages folder: " << read;
}

TEST_F(BrowserFormTest, NewWindowsForFilesBecomeNewInstancesAndPermissionsAreGranted) {
    UseArchive({{"app/index.html", testing::BytesOf("<p>")}});
    CreateAndWait();
    Play({{"action", "new_window"}, {"uri", "FILE:///page2.html"}});
    Play({{"action", "new_window"}, {"uri", "https://example.com/"}});
    EXPECT_EQ(formPlatform.Started, std::vector<std::string>{"\"HelloApp\" \"FILE:///page2.html\""});
    const auto requests = Records("new_window_requested");
    EXPECT_EQ(requests[0]["handled"], true);
    EXPECT_EQ(requests[1]["handled"], false) << "web addresses get the runtime's own window";
    Play({{"action", "permission"}, {"kind", 2}});
    EXPECT_EQ(Records("permission_answered")[0]["state"], 1);
}

TEST_F(BrowserFormTest, TheDispatcherAnswersByIdentifier) {
    UseArchive({{"app/index.html", testing::BytesOf("<p>")}});
    int closeRequests = 0;
    module->OnAppCloseRequest = [&](TBrowserExternalModule* sender) {
        EXPECT_EQ(sender, module.get());
        ++closeRequests;
    };
    CreateAndWait();
    SendJson(R"({"id":10002,"uuid":"u-1","data":{}})");
    SendJson(R"({"id":"10001","uuid":"u-2","data":{}})");
    SendJson(R"({"id":10002.5,"uuid":"u-3","data":{}})");
    SendJson(R"({"id":"1000x","uuid":"u-4","data":{}})");
    SendJson(R"({"id":99999,"uuid":"u-5","data":{}})");
    SendJson(R"({"id":50001,"uuid":"u-6","data":{}})");
    EXPECT_EQ(Answers(), (std::vector<std::string>{R"({"uuid": "u-1", "success": true, "result": true})",
                                                   R"({"uuid": "u-2", "success": true, "result": "2025.10"})"}));
    EXPECT_EQ(closeRequests, 1) << "app.close raises the close request and answers nothing";
}

TEST_F(BrowserFormTest, MalformedRequestsRaiseAndAreNotAnswered) {
    UseArchive({{"app/index.html", testing::BytesOf("<p>")}});
    CreateAndWait();
    struct TCase {
        json Action;
        const char* Error;
    };
    const TCase cases[] = {
        {{{"action", "web_message"}, {"json", R"({"uuid":"u","data":{}})"}}, "Value 'id' not found"},
        {{{"action", "web_message"}, {"json", R"({"id":10002,"data":{}})"}}, "Value 'uuid' not found"},
        {{{"action", "web_message"}, {"json", R"({"id":10002,"uuid":"u"})"}}, "Value 'data' not found"},
        {{{"action", "web_message"}, {"json", "not json"}}, "Value 'id' not found"},
        {{{"action", "web_message"}, {"string", "vlm-webbrowser-clicked"}}, "Value 'id' not found"},
        {{{"action", "web_message"}, {"json", R"({"id":10002,"uuid":"u","data":[1]})"}},
         "Value 'data' is not an object"},
    };
    for (const TCase& item : cases) {
        SCOPED_TRACE(item.Action.dump());
        webview2_double::PlayAction(item.Action);
        try {
            queue.Pump();
            ADD_FAILURE() << "expected the dispatcher to raise";
        } catch (const EVellumError& error) {
            EXPECT_STREQ(error.what(), item.Error);
        }
    }
    EXPECT_TRUE(Answers().empty());
    EXPECT_TRUE(focused.empty()) << "runtime mode: the click string is not a click";
}

TEST_F(BrowserFormTest, PreviewModeAnswersFalseAndTurnsClicksIntoFocus) {
    CreateAndWait();
    Play({{"action", "web_message"}, {"string", "vlm-webbrowser-clicked"}});
    EXPECT_EQ(focused, std::vector<int>{2});
    SendJson(R"({"id":10002,"uuid":"p","data":{}})");
    EXPECT_EQ(Answers(), std::vector<std::string>{R"({"uuid": "p", "success": true, "result": false})"});
}

}  // namespace
}  // namespace vellum
