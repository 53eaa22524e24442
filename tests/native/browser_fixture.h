#pragma once

// A browser control on a fake window and a pumped user-interface queue, with the WebView2 test
// double linked in as its loader; the double's objects are counted at the end of every test.
// The fixture's thread is the user-interface thread: a single-threaded COM apartment (the
// stand-in of webview2/com_compat.h) whose queue is that thread's dispatcher in the double.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "browser/edge_browser.h"
#include "browser/webview2_loader.h"
#include "double_host.h"
#include "double_loader_exports.h"

namespace vellum {

using nlohmann::json;
using webview2_double::TDoubleHost;

// The control's window as a test sees it: a fixed client area and a record of requests.
class TFakeWindow final : public IBrowserWindow {
public:
    webview2::HWND WindowHandle() override {
        ++HandleRequests;
        return reinterpret_cast<webview2::HWND>(static_cast<std::uintptr_t>(0x5150));
    }
    webview2::RECT ClientRect() override { return Client; }
    void FocusWindow() override { ++FocusRequests; }
    void SelectNextControl(bool forward) override { Selections.push_back(forward); }
    bool IsShortCut(const TKeyMessage& message) override {
        Offered.push_back(message);
        return ShortCutKeys.count(message.WParam) != 0 && message.Message == 0x0100;
    }

    webview2::RECT Client{0, 0, 800, 600};
    int HandleRequests = 0;
    int FocusRequests = 0;
    std::vector<bool> Selections;
    std::vector<TKeyMessage> Offered;
    std::set<std::uintptr_t> ShortCutKeys;
};

class TBrowserFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const webview2::HRESULT joined = webview2::CoInitializeEx(nullptr, webview2::COINIT_APARTMENTTHREADED);
        ASSERT_TRUE(webview2::SUCCEEDED(joined)) << "the test's thread is a single-threaded apartment";
        apartmentJoined_ = true;
        UseScenario(json::object());
    }

    // Binds the queue as the dispatcher of the calling thread (the fixture's).
    void UseScenario(const json& scenario) {
        TDoubleHost& host = TDoubleHost::Instance();
        host.Reset(scenario);
        host.SetDispatcher([this](TDoubleHost::TWork work, int) { queue.Post(std::move(work)); });
        TWebView2Loader::Instance().UseLinkedLoader(
            {&CreateCoreWebView2Environment, &GetAvailableCoreWebView2BrowserVersionString});
    }

    void TearDown() override {
        browser.reset();
        TDoubleHost& host = TDoubleHost::Instance();
        EXPECT_TRUE(host.WaitForBackgroundWork(std::chrono::seconds(5)));
        queue.Pump();
        EXPECT_EQ(host.LiveObjects.load(), 0) << "every object of the double was released";
        EXPECT_EQ(host.HeldHandlers.load(), 0) << "every handler the control added was removed or released";
        // The control and the form keep the runtime's threading rules in every test.
        for (const char* breach : {"wrong_thread", "event_held", "environment_completion_undeliverable", "undeliverable"})
            EXPECT_TRUE(Records(breach).empty()) << breach << ": " << (Records(breach).empty() ? "" : Records(breach)[0].dump());
        host.SetDispatcher({});
        TWebView2Loader::Instance().UseLinkedLoader({});
        TWebView2Loader::Instance().Unload();
        if (apartmentJoined_) webview2::CoUninitialize();
        apartmentJoined_ = false;
    }

    TEdgeBrowser& Browser() {
        if (!browser) browser = std::make_unique<TEdgeBrowser>(window, queue);
        return *browser;
    }

    // Serves the user-interface queue until `done` holds (the double posts the environment to
    // it from a thread of its own a little later).
    template <class TPredicate>
    bool PumpUntil(TPredicate done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            queue.Pump();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    void CreateAndWait() {
        Browser().CreateWebView();
        ASSERT_TRUE(PumpUntil([&] { return Browser().BrowserControlState() == TBrowserControlState::Created; }));
        queue.Pump();
    }

    static std::vector<json> Records(const std::string& event) {
        std::vector<json> found;
        for (const json& record : TDoubleHost::Instance().Transcript())
            if (record["event"] == event) found.push_back(record);
        return found;
    }

    static long long SequenceOf(const std::string& event, std::size_t occurrence = 0) {
        const auto found = Records(event);
        return occurrence < found.size() ? found[occurrence]["seq"].get<long long>() : -1;
    }

    void Play(const json& action) {
        webview2_double::PlayAction(action);
        queue.Pump();
    }

    TManualUiQueue queue;
    TFakeWindow window;
    std::unique_ptr<TEdgeBrowser> browser;

private:
    bool apartmentJoined_ = false;
};

}  // namespace vellum
