#include "browser/edge_browser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>
#include <vector>

#include "browser/edge_error.h"
#include "browser/webview2_loader.h"
#include "browser_fixture.h"
#include "core/text/utf.h"
#include "test_files.h"
#include "webview2/com_object.h"
#include "webview2/stream_adapter.h"
#include "webview2/wide_text.h"

namespace vellum {
namespace {

using namespace webview2;
using testing::TTempDir;

using EdgeBrowserTest = TBrowserFixture;

TEST_F(EdgeBrowserTest, CreatesAndCompletesOnTheUserInterfaceThread) {
    const auto uiThread = TDoubleHost::CurrentThread();
    std::vector<HRESULT> completions;
    std::size_t handlersAtCompletion = 99;
    Browser().OnCreateWebViewCompleted = [&](TCustomEdgeBrowser* sender, HRESULT result) {
        EXPECT_EQ(sender, browser.get());
        EXPECT_EQ(TDoubleHost::CurrentThread(), uiThread);
        completions.push_back(result);
        handlersAtCompletion = Records("add_handler").size();
    };
    EXPECT_EQ(Browser().BrowserControlState(), TBrowserControlState::None);
    Browser().Navigate("file:///first.html");
    Browser().Navigate("file:///index.html");
    Browser().Navigate(" \t\r\n");
    EXPECT_EQ(Browser().LastURL(), "file:///index.html") << "the last address wins; a blank one is not stored";

    Browser().CreateWebView();
    EXPECT_EQ(Browser().BrowserControlState(), TBrowserControlState::Creating);
    Browser().CreateWebView();  // while creating: nothing more
    EXPECT_TRUE(Records("create_environment").empty()) << "requested from the queue, not inside CreateWebView";
    ASSERT_TRUE(PumpUntil([&] { return !completions.empty(); }));
    queue.Pump();

    EXPECT_EQ(completions, std::vector<HRESULT>{S_OK});
    EXPECT_EQ(Browser().BrowserControlState(), TBrowserControlState::Created);
    EXPECT_TRUE(Browser().WebViewCreated());
    EXPECT_EQ(Records("create_environment").size(), 1u);
    EXPECT_EQ(Records("create_environment")[0]["thread"].get<std::uint64_t>(), uiThread)
        << "asked on the user-interface thread, the only one the runtime serves";
    EXPECT_EQ(Records("create_controller")[0]["thread"].get<std::uint64_t>(), uiThread);
    EXPECT_EQ(window.HandleRequests, 1) << "the controller is parented to the control's window";
    EXPECT_EQ(handlersAtCompletion, 0u) << "the completion event runs before the runtime handlers exist";

    std::vector<std::string> names;
    for (const json& record : Records("add_handler")) names.push_back(record["name"]);
    const std::vector<std::string> tableOrder = {"NavigationStarting",
                                                 "NavigationCompleted",
                                                 "SourceChanged",
                                                 "HistoryChanged",
                                                 "ContentLoading",
                                                 "DocumentTitleChanged",
                                                 "NewWindowRequested",
                                                 "FrameNavigationStarting",
                                                 "FrameNavigationCompleted",
                                                 "WebResourceRequested",
                                                 "ScriptDialogOpening",
                                                 "PermissionRequested",
                                                 "ProcessFailed",
                                                 "WebMessageReceived",
                                                 "ContainsFullScreenElementChanged",
                                                 "WindowCloseRequested",
                                                 "ZoomFactorChanged",
                                                 "MoveFocusRequested",
                                                 "AcceleratorKeyPressed",
                                                 "GotFocus",
                                                 "LostFocus"};
    EXPECT_EQ(names, tableOrder);

    const auto navigations = Records("navigate");
    ASSERT_EQ(navigations.size(), 1u);
    EXPECT_EQ(navigations[0]["uri"], "file:///index.html");
    EXPECT_GT(SequenceOf("navigate"), SequenceOf("bounds")) << "after registration and the first bounds";
    EXPECT_GT(SequenceOf("bounds"), Records("add_handler").back()["seq"].get<long long>());
    EXPECT_EQ(Browser().LocationURL(), "file:///index.html");
    EXPECT_EQ(Browser().BrowserVersionInfo(), "120.0.2210.91");
}

TEST_F(EdgeBrowserTest, LocationIsEmptyWhileThePageIsBlankInAnyCase) {
    CreateAndWait();
    EXPECT_EQ(Browser().LocationURL(), "") << "a new browser shows about:blank";
    for (const char* blank : {"about:blank", "ABOUT:BLANK", "About:Blank"}) {
        Browser().Navigate(blank);
        queue.Pump();
        EXPECT_EQ(Browser().LocationURL(), "") << blank;
    }
    Browser().Navigate("file:///page.html");
    queue.Pump();
    EXPECT_EQ(Browser().LocationURL(), "file:///page.html");
}

TEST_F(EdgeBrowserTest, SettingsSwitchesNeedTheBrowserAndPassAllBitsForTrue) {
    try {
        (void)Browser().ScriptEnabled();
        ADD_FAILURE() << "reading a switch before creation must raise";
    } catch (const EEdgeError& error) {
        EXPECT_STREQ(error.what(), "WebView2 not instantiated");
        EXPECT_EQ(static_cast<std::uint32_t>(error.ErrorCode()), 0x80004005u);
    }
    EXPECT_THROW(Browser().SetDevToolsEnabled(false), EEdgeError);

    CreateAndWait();
    Browser().SetScriptEnabled(false);
    Browser().SetZoomControlEnabled(true);
    const auto switches = Records("settings");
    ASSERT_EQ(switches.size(), 2u);
    EXPECT_EQ(switches[0]["name"], "IsScriptEnabled");
    EXPECT_EQ(switches[0]["value"], 0);
    EXPECT_EQ(switches[1]["name"], "IsZoomControlEnabled");
    EXPECT_EQ(switches[1]["value"], -1);
    EXPECT_FALSE(Browser().ScriptEnabled());
    EXPECT_TRUE(Browser().ZoomControlEnabled());
}

TEST_F(EdgeBrowserTest, AMissingLoaderReportsEFailAndLeavesTheStateCreating) {
    TWebView2Loader::Instance().UseLinkedLoader({});
    TWebView2Loader::Instance().SetLoaderLibraryPath(
        PathToUtf8(std::filesystem::temp_directory_path() / "no-such-dir" / "WebView2LoaderWin64.dll"));
    std::vector<HRESULT> completions;
    Browser().OnCreateWebViewCompleted = [&](TCustomEdgeBrowser*, HRESULT result) { completions.push_back(result); };
    Browser().CreateWebView();
    ASSERT_TRUE(PumpUntil([&] { return !completions.empty(); }));
    EXPECT_EQ(completions, std::vector<HRESULT>{E_FAIL});
    EXPECT_EQ(Browser().LastErrorCode(), E_FAIL);
    EXPECT_EQ(Browser().BrowserControlState(), TBrowserControlState::Creating);

    Browser().CreateWebView();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    queue.Pump();
    EXPECT_EQ(completions.size(), 1u) << "a second CreateWebView does nothing";
    EXPECT_EQ(Browser().BrowserVersionInfo(), "") << "no loader, no version";
}

TEST_F(EdgeBrowserTest, EnvironmentFailuresReportThroughTheCompletionEvent) {
    for (const char* key : {"environment_immediate_result", "environment_result"}) {
        SCOPED_TRACE(key);
        browser.reset();
        UseScenario({{key, static_cast<std::int32_t>(0x80070002)}});
        std::vector<HRESULT> completions;
        Browser().OnCreateWebViewCompleted = [&](TCustomEdgeBrowser*, HRESULT result) {
            completions.push_back(result);
        };
        Browser().CreateWebView();
        ASSERT_TRUE(PumpUntil([&] { return !completions.empty(); }));
        EXPECT_EQ(static_cast<std::uint32_t>(completions[0]), 0x80070002u);
        EXPECT_EQ(Browser().BrowserControlState(), TBrowserControlState::Creating);
        EXPECT_FALSE(Browser().WebViewCreated());
    }
}

TEST_F(EdgeBrowserTest, AFailingControllerCompletionGoesToTheHandlerOrIsRaised) {
    const auto accessDenied = static_cast<HRESULT>(0x80070005);
    UseScenario({{"controller_result", accessDenied}});
    std::vector<HRESULT> completions;
    Browser().OnCreateWebViewCompleted = [&](TCustomEdgeBrowser*, HRESULT result) { completions.push_back(result); };
    Browser().CreateWebView();
    ASSERT_TRUE(PumpUntil([&] { return !completions.empty(); }));
    EXPECT_EQ(completions, std::vector<HRESULT>{accessDenied});
    EXPECT_EQ(Browser().BrowserControlState(), TBrowserControlState::Failed);

    browser.reset();
    UseScenario({{"controller_result", accessDenied}});
    Browser().CreateWebView();
    bool raised = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!raised && std::chrono::steady_clock::now() < deadline) {
        try {
            queue.Pump();
        } catch (const EEdgeError& error) {
            EXPECT_STREQ(error.what(), "Failed to create Edge browser control");
            EXPECT_EQ(error.ErrorCode(), accessDenied);
            raised = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const bool settled = raised;
    EXPECT_TRUE(settled && raised) << "without a handler the error is raised on the user-interface thread";
    EXPECT_EQ(Browser().BrowserControlState(), TBrowserControlState::Failed);
}

TEST_F(EdgeBrowserTest, BoundsFollowTheSizeRatio) {
    window.Client = {0, 0, 800, 600};
    CreateAndWait();
    auto last = [] { return Records("bounds").back(); };
    EXPECT_EQ(last()["right"], 800);
    EXPECT_EQ(last()["bottom"], 600);
    Browser().SetSizeRatio(0.5);
    EXPECT_EQ(last()["left"], 0);
    EXPECT_EQ(last()["top"], 0);
    EXPECT_EQ(last()["right"], 400);
    EXPECT_EQ(last()["bottom"], 300);
    window.Client = {10, 20, 811, 621};
    Browser().Resize();
    EXPECT_EQ(last()["right"], 410) << "truncated: 801 * 0.5 + 10 = 410.5";
    EXPECT_EQ(last()["bottom"], 320);
}

TEST_F(EdgeBrowserTest, ADeveloperProtocolEventHasOneLiveSubscription) {
    CreateAndWait();
    std::vector<std::pair<std::string, std::string>> received;
    Browser().OnDevToolsProtocolEventReceived = [&](TCustomEdgeBrowser*, const std::string& name,
                                                    const std::string& parameters) {
        received.emplace_back(name, parameters);
    };
    Browser().SubscribeToCDPEvent("Network.requestWillBeSent");
    Browser().SubscribeToCDPEvent("Network.requestWillBeSent");
    const std::string name = "DevToolsProtocolEventReceived:Network.requestWillBeSent";
    auto countOf = [&](const std::string& event) {
        int count = 0;
        for (const json& record : Records(event)) count += record["name"] == name;
        return count;
    };
    EXPECT_EQ(countOf("add_handler") - countOf("remove_handler"), 1);
    Play({{"action", "devtools_event"}, {"name", "Network.requestWillBeSent"}, {"json", "{\"id\":7}"}});
    EXPECT_EQ(received,
              (std::vector<std::pair<std::string, std::string>>{{"Network.requestWillBeSent", "{\"id\":7}"}}));

    Browser().CloseWebView();
    EXPECT_EQ(countOf("add_handler"), countOf("remove_handler")) << "CloseWebView removes the subscription";
    EXPECT_EQ(Records("controller_closed").at(0)["handlers_left"], 0) << "every handler removed before Close";
    EXPECT_FALSE(Browser().WebViewCreated());
    EXPECT_EQ(Browser().BrowserControlState(), TBrowserControlState::Created) << "closing keeps the state";
}

TEST_F(EdgeBrowserTest, CloseBrowserProcessWithoutABrowserOnlyClosesTheView) {
    Browser().CloseBrowserProcess();
    EXPECT_EQ(Browser().BrowserProcessID(), 0u);
    EXPECT_TRUE(Records("controller_closed").empty());

    CreateAndWait();
    Browser().CloseBrowserProcess();
    EXPECT_EQ(Records("controller_closed").size(), 1u) << "process id 0: CloseWebView and nothing else";
    EXPECT_EQ(Browser().DefaultInterface(), nullptr);
}

TEST_F(EdgeBrowserTest, RuntimeEventsReachTheControlsEvents) {
    CreateAndWait();
    std::vector<std::string> seen;
    Browser().OnWebMessageReceived = [&](TCustomEdgeBrowser*, TWebMessageReceivedEventArgs& args) {
        LPWSTR text = nullptr;
        if (SUCCEEDED(args.ArgsInterface()->TryGetWebMessageAsString(&text)))
            seen.push_back("string:" + TakeWideString(text));
        else
            seen.push_back("json");
    };
    Browser().OnDocumentTitleChanged = [&](TCustomEdgeBrowser*, const std::string& title) {
        seen.push_back("title:" + title);
    };
    Browser().OnNewWindowRequested = [&](TCustomEdgeBrowser*, TNewWindowRequestedEventArgs& args) {
        args.ArgsInterface()->put_Handled(TRUE);
        seen.push_back("new-window");
    };
    Browser().OnPermissionRequested = [&](TCustomEdgeBrowser*, TPermissionRequestedEventArgs& args) {
        args.ArgsInterface()->put_State(COREWEBVIEW2_PERMISSION_STATE_ALLOW);
    };
    Browser().OnContainsFullScreenElementChanged = [&](TCustomEdgeBrowser*, bool value) {
        seen.push_back(value ? "fullscreen" : "windowed");
    };
    Browser().OnProcessFailed = [&](TCustomEdgeBrowser*, COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
        seen.push_back("failed:" + std::to_string(kind));
    };
    Browser().OnWindowCloseRequested = [&](TCustomEdgeBrowser*) { seen.push_back("close"); };
    Browser().OnZoomFactorChanged = [&](TCustomEdgeBrowser*, double zoom) {
        seen.push_back("zoom:" + std::to_string(zoom));
    };

    Play({{"action", "web_message"}, {"string", "vlm-webbrowser-clicked"}});
    Play({{"action", "web_message"}, {"json", "{\"id\":10001}"}});
    Play({{"action", "title"}, {"title", "Hello"}});
    Play({{"action", "new_window"}, {"uri", "file:///other.html"}});
    Play({{"action", "permission"}, {"kind", 1}});
    Play({{"action", "fullscreen"}, {"value", true}});
    Play({{"action", "process_failed"}, {"kind", 1}});
    Play({{"action", "window_close"}});
    Play({{"action", "zoom"}, {"factor", 1.5}});

    EXPECT_EQ(seen, (std::vector<std::string>{"string:vlm-webbrowser-clicked", "json", "title:Hello", "new-window",
                                              "fullscreen", "failed:1", "close", "zoom:1.500000"}));
    EXPECT_EQ(Records("new_window_requested")[0]["handled"], true);
    EXPECT_EQ(Records("permission_answered")[0]["state"], COREWEBVIEW2_PERMISSION_STATE_ALLOW);
    EXPECT_DOUBLE_EQ(Browser().ZoomFactor(), 1.5);
}

TEST_F(EdgeBrowserTest, FocusAndKeysGoThroughTheWindow) {
    CreateAndWait();
    int enters = 0, exits = 0;
    Browser().OnEnter = [&](TCustomEdgeBrowser*) { ++enters; };
    Browser().OnExit = [&](TCustomEdgeBrowser*) { ++exits; };

    Play({{"action", "got_focus"}});
    EXPECT_EQ(enters, 1);
    EXPECT_TRUE(Records("move_focus").empty()) << "focus taken by the page is not sent back";
    Browser().DoEnter();
    EXPECT_EQ(Records("move_focus").size(), 1u);
    EXPECT_EQ(Records("move_focus")[0]["reason"], COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
    Play({{"action", "lost_focus"}});
    EXPECT_EQ(exits, 1);

    Play({{"action", "move_focus"}, {"reason", COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT}});
    Play({{"action", "move_focus"}, {"reason", COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS}});
    EXPECT_EQ(window.Selections, (std::vector<bool>{true, false}));
    EXPECT_EQ(Records("move_focus_requested")[0]["handled"], false) << "the request is not marked handled";

    window.ShortCutKeys = {'O'};
    Play({{"action", "accelerator_key"}, {"kind", 0}, {"key", 'O'}, {"lparam", 0x180001}});
    Play({{"action", "accelerator_key"}, {"kind", 0}, {"key", 'P'}, {"lparam", 1}});
    Play({{"action", "accelerator_key"}, {"kind", 1}, {"key", 'O'}, {"lparam", 2}});
    Play({{"action", "accelerator_key"}, {"kind", 2}, {"key", 'F'}, {"lparam", 3}});
    Play({{"action", "accelerator_key"}, {"kind", 3}, {"key", 'F'}, {"lparam", 4}});
    const auto keys = Records("accelerator_key");
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[0]["handled"], true) << "a shortcut of the form is kept from the page";
    EXPECT_EQ(keys[1]["handled"], false);
    ASSERT_EQ(window.Offered.size(), 5u);
    const std::uint32_t messages[] = {0x0100, 0x0100, 0x0101, 0x0104, 0x0105};
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(window.Offered[i].Message, messages[i]) << i;
    EXPECT_EQ(window.Offered[0].WParam, static_cast<std::uintptr_t>('O'));
    EXPECT_EQ(window.Offered[0].LParam, 0x180001);

    Browser().SetFocus();
    EXPECT_EQ(window.FocusRequests, 1);
}

TEST_F(EdgeBrowserTest, MinimiseAndRestoreHideAndShowTheBrowser) {
    Browser().SysCommand(0xF020);  // no controller: nothing
    CreateAndWait();
    Browser().SysCommand(0xF020);
    Browser().SysCommand(0xF122);  // low bits are the system's own
    Browser().SysCommand(0xF060);  // close: not the control's business
    Browser().VisibleChanged(false);
    const auto visible = Records("visible");
    ASSERT_EQ(visible.size(), 3u);
    EXPECT_EQ(visible[0]["value"], false);
    EXPECT_EQ(visible[1]["value"], true);
    EXPECT_EQ(visible[2]["value"], false);
}

TEST_F(EdgeBrowserTest, ScriptsCapturesAndFilters) {
    CreateAndWait();
    std::vector<std::pair<HRESULT, std::string>> scripts;
    std::vector<HRESULT> captures;
    Browser().OnExecuteScript = [&](TCustomEdgeBrowser*, HRESULT result, const std::string& value) {
        scripts.emplace_back(result, value);
    };
    Browser().OnCapturePreviewCompleted = [&](TCustomEdgeBrowser*, HRESULT result) { captures.push_back(result); };

    Browser().ExecuteScript("vlm.events.onCloseQuery();");
    TMemoryStream image;
    image.Write("old", 3);
    Browser().CapturePreview(image, TPreviewFormat::PNG);
    queue.Pump();
    EXPECT_EQ(scripts, (std::vector<std::pair<HRESULT, std::string>>{{S_OK, "null"}}));
    EXPECT_EQ(Records("execute_script")[0]["script"], "vlm.events.onCloseQuery();");
    EXPECT_EQ(captures, std::vector<HRESULT>{S_OK});
    ASSERT_GE(image.Size(), 8);
    EXPECT_EQ(image.Bytes()[1], 'P') << "written from position 0";

    const TTempDir dir;
    Browser().CapturePreview(PathToUtf8(dir.Path() / "missing" / "shot.png"), TPreviewFormat::JPEG);
    queue.Pump();
    EXPECT_LT(Browser().LastErrorCode(), 0) << "a file that cannot be created leaves its code";
    EXPECT_EQ(captures.size(), 1u) << "and raises no completion";
    Browser().CapturePreview(PathToUtf8(dir.Path() / "shot.jpg"), TPreviewFormat::JPEG);
    queue.Pump();
    EXPECT_EQ(captures.size(), 2u);
    EXPECT_EQ(std::filesystem::file_size(dir.Path() / "shot.jpg"), 4u);

    Browser().AddWebResourceRequestedFilter("file:///*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    Browser().OnWebResourceRequested = [&](TCustomEdgeBrowser* sender, TWebResourceRequestedEventArgs& args) {
        auto body = std::make_unique<TMemoryStream>();
        body->Write("<title>Served</title>", 21);
        body->SetPosition(0);
        auto content = TComPtr<IStream>::Adopt(new TStreamAdapter(std::move(body)));
        TComPtr<ICoreWebView2WebResourceResponse> response;
        sender->EnvironmentInterface()->CreateWebResourceResponse(
            content.Get(), 200, TWideText("OK").Get(), TWideText("Content-Type: text/html; charset=utf-8").Get(),
            response.Put());
        args.ArgsInterface()->put_Response(response.Get());
    };
    Browser().Navigate("file:///index.html");
    queue.Pump();
    const auto served = Records("resource_response");
    ASSERT_EQ(served.size(), 1u);
    EXPECT_EQ(served[0]["bytes"], 21);
    EXPECT_EQ(served[0]["headers"], "Content-Type: text/html; charset=utf-8");
    EXPECT_EQ(Browser().DocumentTitle(), "Served");
    Browser().RemoveWebResourceRequestedFilter("file:///*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    EXPECT_EQ(Browser().LastErrorCode(), S_OK);
    Browser().RemoveWebResourceRequestedFilter("file:///*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    EXPECT_EQ(Browser().LastErrorCode(), E_INVALIDARG) << "a failing call leaves its code";
}

TEST_F(EdgeBrowserTest, AControlDestroyedWhileCreatingIgnoresTheLateCompletion) {
    Browser().CreateWebView();
    browser.reset();  // joins the worker; the environment may still be on its way
    EXPECT_TRUE(TDoubleHost::Instance().WaitForBackgroundWork(std::chrono::seconds(5)));
    queue.Pump();
    EXPECT_TRUE(Records("create_controller").empty());
}

TEST_F(EdgeBrowserTest, CompletionsArrivingAfterTheControlIsGoneAreIgnored) {
    CreateAndWait();
    int completions = 0;
    Browser().OnExecuteScript = [&](TCustomEdgeBrowser*, HRESULT, const std::string&) { ++completions; };
    Browser().OnCapturePreviewCompleted = [&](TCustomEdgeBrowser*, HRESULT) { ++completions; };
    Browser().ExecuteScript("vlm.events.onCloseQuery();");
    TMemoryStream image;
    Browser().CapturePreview(image);
    browser.reset();  // as a main window closing right after its close query
    queue.Pump();
    EXPECT_EQ(completions, 0);
    EXPECT_EQ(Records("execute_script").size(), 1u);
}

TEST_F(EdgeBrowserTest, ReinitialisingBuildsANewBrowserOnTheCallingThread) {
    CreateAndWait();
    Browser().WindowHandleRecreated();
    EXPECT_EQ(Records("controller_closed").size(), 1u) << "the old browser goes first";
    ASSERT_TRUE(PumpUntil([&] { return Browser().DefaultInterface() != nullptr; }));
    EXPECT_EQ(Records("controller_created").size(), 2u);
    EXPECT_EQ(Records("create_environment").size(), 2u);
    EXPECT_DOUBLE_EQ(Browser().SizeRatio(), 1.0);
}

}  // namespace
}  // namespace vellum
