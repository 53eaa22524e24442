#include <windows.h>

#include <gtest/gtest.h>

#include "pump_messages_win32.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "browser/edge_browser_window_win32.h"
#include "browser/shortcut_query_win32.h"
#include "browser/webview2_loader.h"
#include "core/system/own_executable.h"
#include "core/text/utf.h"
#include "test_files.h"

namespace vellum {
namespace {

using nlohmann::json;
using namespace webview2;

constexpr WORD kOpenCommand = 101;

// A top-level form with one menu shortcut, the O key, which runs command 101.
class TShortCutForm {
public:
    TShortCutForm() {
        ACCEL accelerator{FVIRTKEY, 'O', kOpenCommand};
        accelerators_ = CreateAcceleratorTableW(&accelerator, 1);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VellumShortCutForm";
        RegisterClassExW(&windowClass);
        window_ = CreateWindowExW(0, windowClass.lpszClassName, L"Form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 816,
                                  639, nullptr, nullptr, windowClass.hInstance, this);
    }
    ~TShortCutForm() {
        DestroyWindow(window_);
        DestroyAcceleratorTable(accelerators_);
    }
    HWND Handle() const { return window_; }
    int CommandsRun = 0;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<TShortCutForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr && message == ShortCutQueryMessage())
            return AnswerShortCutQuery(window, self->accelerators_, lParam);
        if (self != nullptr && message == WM_COMMAND && LOWORD(wParam) == kOpenCommand) {
            ++self->CommandsRun;
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    HACCEL accelerators_ = nullptr;
};

std::vector<json> ReadTranscript(const std::filesystem::path& path) {
    std::vector<json> records;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line))
        if (!line.empty()) records.push_back(json::parse(line));
    return records;
}

std::vector<json> Having(const std::vector<json>& records, const std::string& event) {
    std::vector<json> found;
    for (const json& record : records)
        if (record["event"] == event) found.push_back(record);
    return found;
}

using testing::PumpUntil;

// The test's thread is a user-interface thread as the runtime's is: a single-threaded COM
// apartment with a message loop, for as long as the object lives.
class TSingleThreadedApartment {
public:
    TSingleThreadedApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~TSingleThreadedApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    TSingleThreadedApartment(const TSingleThreadedApartment&) = delete;
    TSingleThreadedApartment& operator=(const TSingleThreadedApartment&) = delete;
    HRESULT Result() const { return result_; }

private:
    HRESULT result_;
};

// The loader library is the test double, loaded from LoaderLibraryPath as the runtime loads the
// real one; its scenario presses the form's shortcut while the page has focus, then posts a
// page message.
TEST(EdgeBrowserWindows, RunsAgainstTheDoubleOnTheUserInterfaceThread) {
    const TSingleThreadedApartment apartment;
    ASSERT_TRUE(SUCCEEDED(apartment.Result())) << "the test's thread joins a single-threaded apartment";
    const testing::TTempDir dir;
    const auto transcript = dir.Path() / "transcript.jsonl";
    const auto scenario = dir.Path() / "scenario.json";
    testing::WriteFile(
        scenario,
        json{{"steps",
              {{{"after", "navigation_completed"}, {"action", "got_focus"}},
               {{"after", "got_focus"}, {"action", "accelerator_key"}, {"kind", 0}, {"key", 'O'}, {"lparam", 0x180001}},
               {{"after", "accelerator_key"},
                {"action", "accelerator_key"},
                {"kind", 0},
                {"key", 'P'},
                {"lparam", 0x190001}},
               {{"after", "accelerator_key"},
                {"occurrence", 2},
                {"action", "web_message"},
                {"json", "{\"id\":10001}"}}}}}
            .dump());
    SetEnvironmentVariableW(L"VELLUM_WEBVIEW2_SCENARIO", scenario.wstring().c_str());
    SetEnvironmentVariableW(L"VELLUM_WEBVIEW2_TRANSCRIPT", transcript.wstring().c_str());
    TWebView2Loader::Instance().SetLoaderLibraryPath(
        PathToUtf8(RunningExecutable().Path().parent_path() / "webview2_double.dll"));

    const DWORD uiThread = GetCurrentThreadId();
    std::vector<DWORD> handlerThreads;
    std::vector<HRESULT> completions;
    bool navigated = false, messaged = false;
    {
        TShortCutForm form;
        TEdgeBrowserWindow control;
        TEdgeBrowser& browser = control.Browser();
        browser.OnCreateWebViewCompleted = [&](TCustomEdgeBrowser*, HRESULT result) {
            handlerThreads.push_back(GetCurrentThreadId());
            completions.push_back(result);
        };
        browser.OnNavigationCompleted = [&](TCustomEdgeBrowser*, bool, COREWEBVIEW2_WEB_ERROR_STATUS) {
            handlerThreads.push_back(GetCurrentThreadId());
            navigated = true;
        };
        browser.OnWebMessageReceived = [&](TCustomEdgeBrowser*, TWebMessageReceivedEventArgs&) {
            handlerThreads.push_back(GetCurrentThreadId());
            messaged = true;
        };
        browser.Navigate("file:///index.html");
        control.SetParent(form.Handle(), RECT{0, 0, 800, 600});  // parenting starts the browser
        ASSERT_TRUE(PumpUntil([&] { return messaged; })) << "the scenario ran to its page message";

        EXPECT_EQ(completions, std::vector<HRESULT>{S_OK});
        EXPECT_TRUE(navigated);
        for (const DWORD thread : handlerThreads) EXPECT_EQ(thread, uiThread);
        EXPECT_EQ(form.CommandsRun, 1) << "the shortcut pressed in the page ran the form's command";

        SendMessageW(control.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
        SendMessageW(control.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
        MoveWindow(control.Handle(), 0, 0, 640, 480, TRUE);
    }
    // Everything released: one more call into the double writes its counts.
    std::string version;
    EXPECT_EQ(TWebView2Loader::Instance().BrowserVersionString(version), S_OK);
    EXPECT_EQ(version, "120.0.2210.91");

    const auto records = ReadTranscript(transcript);
    ASSERT_FALSE(records.empty());
    const auto environment = Having(records, "create_environment");
    ASSERT_EQ(environment.size(), 1u);
    EXPECT_EQ(environment[0]["thread"].get<DWORD>(), uiThread)
        << "the environment is requested on the test's own thread";
    EXPECT_EQ(environment[0]["apartment"], "sta");
    EXPECT_EQ(environment[0]["result"], 0);
    const auto completed = Having(records, "environment_completed");
    ASSERT_EQ(completed.size(), 1u);
    EXPECT_EQ(completed[0]["thread"].get<DWORD>(), uiThread) << "and completes there";
    EXPECT_TRUE(Having(records, "wrong_thread").empty());
    EXPECT_TRUE(Having(records, "environment_completion_undeliverable").empty());
    EXPECT_TRUE(Having(records, "event_held").empty()) << "no handler of the control pumps the double's work";
    EXPECT_EQ(Having(records, "controller_created").at(0)["thread"].get<DWORD>(), uiThread);
    EXPECT_EQ(Having(records, "navigate").at(0)["uri"], "file:///index.html");
    const auto keys = Having(records, "accelerator_key");
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0]["handled"], true) << "a shortcut is kept from the page";
    EXPECT_EQ(keys[1]["handled"], false) << "other keys reach the page";
    const auto visible = Having(records, "visible");
    ASSERT_GE(visible.size(), 2u);
    EXPECT_EQ(visible[visible.size() - 2]["value"], false) << "minimise hides the browser";
    EXPECT_EQ(visible.back()["value"], true) << "restore shows it";
    const auto bounds = Having(records, "bounds");
    ASSERT_FALSE(bounds.empty());
    EXPECT_EQ(bounds.back()["right"], 640);
    EXPECT_EQ(bounds.back()["bottom"], 480);
    EXPECT_EQ(Having(records, "controller_closed").at(0)["handlers_left"], 0);
    EXPECT_EQ(records.back()["event"], "version_query");
    EXPECT_EQ(records.back()["live"], 0) << "every object of the double was released";
    EXPECT_EQ(records.back()["handlers"], 0);
}

}  // namespace
}  // namespace vellum
