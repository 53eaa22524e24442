// The page trace: what passes between a page and its host, one JSON object a line, while the
// page and its receiver see exactly what they would without it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

#include "app/browser_form/browser_form.h"
#include "app/browser_form/page_trace.h"
#include "core/archive/zip_archive.h"
#include "core/stream/stream.h"
#include "recording_page.h"
#include "test_archives.h"
#include "test_files.h"

namespace vellum {
namespace {

using testing::TRecordingPage;
using testing::TTempDir;
using json = nlohmann::json;

std::vector<json> TraceLines(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<json> lines;
    for (std::string line; std::getline(in, line);) {
        EXPECT_TRUE(json::accept(line)) << line;
        if (json::accept(line)) lines.push_back(json::parse(line));
    }
    return lines;
}

// A receiver that answers what a test sets and records what reached it.
class TAnsweringEvents final : public IPageEvents {
public:
    void PageReady(bool succeeded) override { Ready.push_back(succeeded); }
    void PageMessageReceived(const TPageMessage& message) override { Messages.push_back(message.PlainText + "|" + message.Json); }
    std::optional<TPageResource> PageResourceRequested(const std::string& uri) override {
        if (uri != "file:///found.css") return std::nullopt;
        TPageResource resource;
        resource.Headers = "Content-Type: text/css; charset=utf-8";
        resource.Body = {'a', 'b', 'c'};
        return resource;
    }
    bool PageNewWindowRequested(const std::string& uri) override { return uri.rfind("file:", 0) == 0; }
    bool PagePermissionRequested(const std::string&) override { return true; }
    void PageTitleChanged(const std::string& title) override { Titles.push_back(title); }
    void PageNavigationCompleted(bool succeeded) override { Completed.push_back(succeeded); }
    void PageConsoleMessage(const std::string& level, const std::string& text) override { Console.push_back(level + ":" + text); }

    std::vector<bool> Ready, Completed;
    std::vector<std::string> Messages, Titles, Console;
};

TEST(PageTrace, EveryKindOfTrafficIsOneJsonLineAndPassesThroughUnchanged) {
    TTempDir dir;
    TRecordingPage page;
    TAnsweringEvents events;
    {
        TTracingPage traced(page, std::make_unique<TPageTraceFile>(dir / "trace.jsonl"));
        traced.SetPageEvents(&events);
        ASSERT_NE(page.Events, nullptr);
        IPageEvents& fromEngine = *page.Events;

        fromEngine.PageReady(true);
        traced.Navigate("file:///index.html");
        fromEngine.PageMessageReceived({"", R"({"id":10001,"uuid":"u","data":{}})"});
        fromEngine.PageMessageReceived({"not json {", "\"not json {\""});
        fromEngine.PageMessageReceived({"", "{broken"});
        EXPECT_TRUE(traced.PostWebMessageAsJson(R"({"uuid": "u", "success": true, "result": "2025.10"})"));
        EXPECT_FALSE(traced.PostWebMessageAsJson("{refused"));
        traced.ExecuteScript("vlm.events.onCloseQuery();");
        const auto found = fromEngine.PageResourceRequested("file:///found.css");
        ASSERT_TRUE(found);
        EXPECT_EQ(found->Body.size(), 3u);
        EXPECT_FALSE(fromEngine.PageResourceRequested("file:///missing.txt"));
        EXPECT_TRUE(fromEngine.PageNewWindowRequested("file:///b.html"));
        EXPECT_FALSE(fromEngine.PageNewWindowRequested("https://example.org/"));
        fromEngine.PageConsoleMessage("warn", "bad byte \xFF here");
        fromEngine.PageTitleChanged("Title");
        fromEngine.PageNavigationCompleted(false);
    }
    EXPECT_EQ(page.Navigations, std::vector<std::string>{"file:///index.html"});
    EXPECT_EQ(page.Answers.size(), 1u);
    EXPECT_EQ(page.Scripts, std::vector<std::string>{"vlm.events.onCloseQuery();"});
    EXPECT_EQ(events.Messages, (std::vector<std::string>{"|{\"id\":10001,\"uuid\":\"u\",\"data\":{}}",
                                                         "not json {|\"not json {\"", "|{broken"}));
    EXPECT_EQ(events.Titles, std::vector<std::string>{"Title"});
    EXPECT_EQ(events.Console, std::vector<std::string>{"warn:bad byte \xFF here"});
    EXPECT_EQ(events.Completed, std::vector<bool>{false});
    EXPECT_EQ(page.Events, nullptr) << "the tracing page lets go of the engine when it goes";

    const std::vector<json> lines = TraceLines(dir / "trace.jsonl");
    std::vector<std::string> kinds;
    for (const json& line : lines) {
        EXPECT_TRUE(line["time"].is_number());
        EXPECT_TRUE(line["pid"].is_number());
        kinds.push_back(line["event"]);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"ready", "navigate", "request", "request", "request", "answer", "answer",
                                               "script", "resource", "resource", "new-window", "new-window",
                                               "console", "navigation"}));
    EXPECT_EQ(lines[2]["message"]["id"], 10001) << "JSON messages are embedded as themselves";
    EXPECT_EQ(lines[3]["message"], "not json {");
    EXPECT_EQ(lines[4]["message"], "{broken") << "text that is not JSON is kept as a string";
    EXPECT_EQ(lines[5]["posted"], true);
    EXPECT_EQ(lines[5]["message"]["result"], "2025.10");
    EXPECT_EQ(lines[6]["posted"], false);
    EXPECT_EQ(lines[8], json::parse(R"({"event": "resource", "uri": "file:///found.css", "status": 200,
        "type": "text/css; charset=utf-8", "bytes": 3, "time": )" + lines[8]["time"].dump() +
                                    ", \"pid\": " + lines[8]["pid"].dump() + "}"));
    EXPECT_TRUE(lines[9]["status"].is_null());
    EXPECT_EQ(lines[10]["taken"], true);
    EXPECT_EQ(lines[11]["taken"], false);
    EXPECT_EQ(lines[12]["text"], "bad byte \xEF\xBF\xBD here") << "bytes that are not UTF-8 become U+FFFD";
}

TEST(PageTrace, WritersOfOneFileAppendWholeLines) {
    TTempDir dir;
    {
        std::ofstream(dir / "trace.jsonl") << "{\"earlier\": true}\n";
        TPageTraceFile first(dir / "trace.jsonl");
        TPageTraceFile second(dir / "trace.jsonl");
        for (int i = 0; i < 100; ++i) {
            first.Write("\"event\": \"a\", \"n\": " + std::to_string(i));
            second.Write("\"event\": \"b\", \"n\": " + std::to_string(i));
        }
    }
    const std::vector<json> lines = TraceLines(dir / "trace.jsonl");
    ASSERT_EQ(lines.size(), 201u);
    EXPECT_TRUE(lines[0]["earlier"]) << "an existing trace is appended to, never replaced";
    EXPECT_EQ(lines[200]["event"], "b");
}

TEST(PageTrace, AFileThatCannotBeOpenedLeavesThePageWorking) {
    TTempDir dir;
    TRecordingPage page;
    TTracingPage traced(page, std::make_unique<TPageTraceFile>(dir / "no-such-folder" / "trace.jsonl"));
    EXPECT_TRUE(traced.PostWebMessageAsJson("{}"));
    EXPECT_EQ(page.Answers.size(), 1u);
}

class TFilePlatform final : public IBrowserFormPlatform {
public:
    void HideProgressBar() override {}
    void FocusWindowAbove(int) override {}
    void StartNewInstance(const std::string&) override {}
    std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string&) override { return std::nullopt; }
    std::string LibraryScript() override { return "window.vlm = {};"; }
    char PathDelimiter() const override { return '/'; }
};

TEST(PageTrace, TheBrowserFormTracesWhenVellumTraceNamesAFile) {
    TTempDir dir;
    const std::string tracePath = (dir / "trace.jsonl").string();
    TRecordingPage page;
    TFilePlatform platform;
    TMemoryStream archiveBytes(testing::MakeArchive({{"app/index.html", testing::BytesOf("<p>hi</p>")}}, "pw"));
    TZipArchive archive;
    archive.SetPassword("pw");
    archive.Open(archiveBytes);
    {
        setenv("VELLUM_TRACE", tracePath.c_str(), 1);
        TBrowserForm form(page, platform, "/apps/hello/");
        unsetenv("VELLUM_TRACE");
        form.ExeZip = &archive;
        form.AppDirName = "app";
        form.HandleRequests = true;
        EXPECT_NE(&form.Page(), static_cast<IBrowserPage*>(&page)) << "the bridge posts through the trace";
        ASSERT_NE(page.Events, nullptr);
        const auto served = page.Events->PageResourceRequested("file:///index.html");
        ASSERT_TRUE(served);
        EXPECT_TRUE(form.Page().PostWebMessageAsJson("{\"uuid\": \"u\"}"));
    }
    const std::vector<json> lines = TraceLines(tracePath);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["event"], "resource");
    EXPECT_EQ(lines[0]["bytes"], 9);
    EXPECT_EQ(lines[1]["event"], "answer");

    TBrowserForm untraced(page, platform, "/apps/hello/");
    EXPECT_EQ(&untraced.Page(), static_cast<IBrowserPage*>(&page)) << "without VELLUM_TRACE the page is the engine's";
}

}  // namespace
}  // namespace vellum
