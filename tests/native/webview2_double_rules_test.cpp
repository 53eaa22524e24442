// The WebView2 runtime's threading rules as the test double enforces them (docs/webview2-double.md,
// "Rules the double enforces"). Each test calls the double directly, the way code that breaks a
// rule calls it and the way code that keeps it does, and reads the transcript.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "double_host.h"
#include "double_loader_exports.h"
#include "platform/ui_queue.h"
#include "webview2/com_object.h"
#include "webview2/stream_adapter.h"
#include "webview2/wide_text.h"

namespace vellum {
namespace {

using namespace webview2;
using nlohmann::json;
using webview2_double::TDoubleHost;

std::vector<json> Records(const std::string& event) {
    std::vector<json> found;
    for (const json& record : TDoubleHost::Instance().Transcript())
        if (record["event"] == event) found.push_back(record);
    return found;
}

long long SequenceOf(const json& record) {
    return record["seq"].get<long long>();
}

// Runs `body` on a thread of its own, which ends before this returns; answers that thread's id.
std::uint64_t OnAnotherThread(const std::function<void()>& body) {
    std::uint64_t id = 0;
    std::thread thread([&] {
        id = TDoubleHost::CurrentThread();
        body();
    });
    thread.join();
    return id;
}

// What an environment completion handler saw.
struct TEnvironmentSeen {
    std::mutex Mutex;
    int Calls = 0;
    HRESULT Result = E_FAIL;
    std::uint64_t Thread = 0;
    TComPtr<ICoreWebView2Environment> Environment;
};

TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> EnvironmentHandler(
    const std::shared_ptr<TEnvironmentSeen>& seen) {
    return Callback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        [seen](HRESULT result, ICoreWebView2Environment* environment) {
            std::lock_guard lock(seen->Mutex);
            ++seen->Calls;
            seen->Result = result;
            seen->Thread = TDoubleHost::CurrentThread();
            seen->Environment = TComPtr<ICoreWebView2Environment>(environment);
            return S_OK;
        });
}

int CallsOf(const std::shared_ptr<TEnvironmentSeen>& seen) {
    std::lock_guard lock(seen->Mutex);
    return seen->Calls;
}

HRESULT RequestEnvironment(bool withOptions, ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    return withOptions ? CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr, handler)
                       : CreateCoreWebView2Environment(handler);
}

// The host's content stream: it notes the thread that reads it and whether the resource handler
// had returned by then; one that waits for the user-interface thread (as a stream that marshals
// its reads there would) blocks until Unblock is called.
class TWatchedStream final : public TComObject<IStream> {
public:
    TWatchedStream(std::string body, bool waitsForUiThread, const std::atomic<bool>& handlerReturned)
        : body_(std::move(body)), waits_(waitsForUiThread), handlerReturned_(handlerReturned) {}

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
        {
            std::unique_lock lock(mutex_);
            readThread_ = TDoubleHost::CurrentThread();
            handlerHadReturned_ = handlerReturned_.load();
            if (waits_) released_.wait(lock, [this] { return !waits_; });
        }
        const std::size_t left = body_.size() - position_;
        const std::size_t given = left < count ? left : count;
        std::memcpy(buffer, body_.data() + position_, given);
        position_ += given;
        if (read != nullptr) *read = static_cast<ULONG>(given);
        return S_OK;
    }
    void Unblock() {
        std::lock_guard lock(mutex_);
        waits_ = false;
        released_.notify_all();
    }
    std::uint64_t ReadThread() {
        std::lock_guard lock(mutex_);
        return readThread_;
    }
    bool HandlerHadReturned() {
        std::lock_guard lock(mutex_);
        return handlerHadReturned_;
    }

    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_CANTSAVE; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override {
        if (clone != nullptr) *clone = nullptr;
        return E_NOTIMPL;
    }

private:
    const std::string body_;
    std::size_t position_ = 0;
    std::mutex mutex_;
    std::condition_variable released_;
    bool waits_;
    const std::atomic<bool>& handlerReturned_;
    std::uint64_t readThread_ = 0;
    bool handlerHadReturned_ = false;
};

// The test's thread is the user-interface thread: a single-threaded apartment whose queue is its
// dispatcher in the double.
class WebView2DoubleRules : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        joined_ = true;
        ui_ = TDoubleHost::CurrentThread();
        UseScenario(json::object());
    }

    void TearDown() override {
        CloseBrowser();
        TDoubleHost& host = TDoubleHost::Instance();
        EXPECT_TRUE(host.WaitForBackgroundWork(std::chrono::seconds(5)));
        queue.Pump();
        EXPECT_EQ(host.LiveObjects.load(), 0) << "every object of the double was released";
        EXPECT_EQ(host.HeldHandlers.load(), 0) << "every handler given to the double was released";
        host.SetDispatcher({});
        if (joined_) CoUninitialize();
    }

    void UseScenario(const json& scenario) {
        TDoubleHost::Instance().Reset(scenario);
        TDoubleHost::Instance().SetDispatcher([this](TDoubleHost::TWork work, int) { queue.Post(std::move(work)); });
    }

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

    // An environment, a controller, its browser and settings, all created on this thread.
    void CreateBrowser() {
        auto seen = std::make_shared<TEnvironmentSeen>();
        ASSERT_EQ(CreateCoreWebView2Environment(EnvironmentHandler(seen).Get()), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return CallsOf(seen) == 1; }));
        environment = seen->Environment;
        ASSERT_TRUE(environment);
        bool created = false;
        auto handler = Callback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
            [&](HRESULT result, ICoreWebView2Controller* created_controller) {
                EXPECT_EQ(result, S_OK);
                controller = TComPtr<ICoreWebView2Controller>(created_controller);
                created = true;
                return S_OK;
            });
        ASSERT_EQ(environment->CreateCoreWebView2Controller(nullptr, handler.Get()), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return created; }));
        ASSERT_EQ(controller->get_CoreWebView2(view.Put()), S_OK);
        ASSERT_EQ(view->get_Settings(settings.Put()), S_OK);
    }

    void CloseBrowser() {
        if (controller) controller->Close();
        settings.Reset();
        view.Reset();
        controller.Reset();
        environment.Reset();
        queue.Pump();
    }

    TManualUiQueue queue;
    std::uint64_t ui_ = 0;
    TComPtr<ICoreWebView2Environment> environment;
    TComPtr<ICoreWebView2Controller> controller;
    TComPtr<ICoreWebView2> view;
    TComPtr<ICoreWebView2Settings> settings;

private:
    bool joined_ = false;
};

// Rule 1: WebView2 runs in a single-threaded apartment. A thread that never initialised COM
// (a plain worker, such as a creation thread of the control's own) or one in the multithreaded apartment
// gets an immediate failure and never a completion.
TEST_F(WebView2DoubleRules, EnvironmentCreationNeedsASingleThreadedApartment) {
    struct TCase {
        const char* Name;
        bool JoinsApartment;
        DWORD Model;
        bool WithOptions;
        HRESULT Expected;
        const char* Apartment;
    };
    const TCase cases[] = {
        {"a fresh thread without COM", false, 0, false, CO_E_NOTINITIALIZED, "none"},
        {"a fresh thread without COM, with options", false, 0, true, CO_E_NOTINITIALIZED, "none"},
        {"a multithreaded apartment", true, COINIT_MULTITHREADED, false, RPC_E_CHANGED_MODE, "mta"},
        {"a multithreaded apartment, with options", true, COINIT_MULTITHREADED, true, RPC_E_CHANGED_MODE, "mta"},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        UseScenario(json::object());
        auto seen = std::make_shared<TEnvironmentSeen>();
        auto handler = EnvironmentHandler(seen);
        HRESULT result = S_OK;
        const std::uint64_t worker = OnAnotherThread([&] {
            const bool joined = test.JoinsApartment && SUCCEEDED(CoInitializeEx(nullptr, test.Model));
            result = RequestEnvironment(test.WithOptions, handler.Get());
            if (joined) CoUninitialize();
        });
        EXPECT_EQ(static_cast<std::uint32_t>(result), static_cast<std::uint32_t>(test.Expected));
        const auto asked = Records("create_environment");
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0]["thread"].get<std::uint64_t>(), worker);
        EXPECT_EQ(asked[0]["apartment"], test.Apartment);
        EXPECT_EQ(asked[0]["result"], test.Expected);
        EXPECT_EQ(asked[0]["export"],
                  test.WithOptions ? "CreateCoreWebView2EnvironmentWithOptions" : "CreateCoreWebView2Environment");

        EXPECT_TRUE(TDoubleHost::Instance().WaitForBackgroundWork(std::chrono::seconds(5)));
        queue.Pump();
        EXPECT_EQ(CallsOf(seen), 0) << "no completion follows an immediate failure";
        handler.Reset();
        EXPECT_EQ(seen.use_count(), 1) << "the double kept no reference on the handler";
    }
}

// Rule 2: the completion comes through the message queue of the thread that asked. A worker
// thread (even a single-threaded apartment) that asks and ends never gets it; the thread that
// pumps its queue gets it, on that thread, later.
TEST_F(WebView2DoubleRules, TheEnvironmentCompletesOnlyOnTheAskingThreadsQueue) {
    struct TCase {
        const char* Name;
        bool OnWorker;
        bool Delivered;
    };
    const TCase cases[] = {
        {"an STA worker that asks and ends (it has no dispatcher)", true, false},
        {"the STA user-interface thread, which pumps its dispatcher", false, true},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        UseScenario(json::object());
        auto seen = std::make_shared<TEnvironmentSeen>();
        auto handler = EnvironmentHandler(seen);
        HRESULT result = E_FAIL;
        int callsAtReturn = -1;
        const auto ask = [&] {
            result = CreateCoreWebView2Environment(handler.Get());
            callsAtReturn = CallsOf(seen);
        };
        std::uint64_t asker = ui_;
        if (test.OnWorker) {
            asker = OnAnotherThread([&] {
                EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
                ask();
                CoUninitialize();
            });
        } else {
            ask();
        }
        EXPECT_EQ(result, S_OK);
        EXPECT_EQ(callsAtReturn, 0) << "the completion never runs inside the call";
        EXPECT_EQ(Records("create_environment").at(0)["apartment"], "sta");

        if (test.Delivered) {
            ASSERT_TRUE(PumpUntil([&] { return CallsOf(seen) == 1; }));
        } else {
            EXPECT_TRUE(TDoubleHost::Instance().WaitForBackgroundWork(std::chrono::seconds(5)));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            queue.Pump();
        }
        EXPECT_TRUE(TDoubleHost::Instance().WaitForBackgroundWork(std::chrono::seconds(5)));
        EXPECT_EQ(CallsOf(seen), test.Delivered ? 1 : 0);
        const auto lost = Records("environment_completion_undeliverable");
        const auto completed = Records("environment_completed");
        if (test.Delivered) {
            EXPECT_TRUE(lost.empty());
            EXPECT_EQ(seen->Thread, ui_) << "delivered on the thread that asked";
            EXPECT_EQ(seen->Result, S_OK);
            EXPECT_TRUE(seen->Environment);
            ASSERT_EQ(completed.size(), 1u);
            EXPECT_EQ(completed[0]["thread"].get<std::uint64_t>(), ui_);
        } else {
            EXPECT_TRUE(completed.empty());
            ASSERT_EQ(lost.size(), 1u);
            EXPECT_EQ(lost[0]["thread"].get<std::uint64_t>(), asker);
            EXPECT_EQ(lost[0]["reason"], "no_dispatcher");
        }
        seen->Environment.Reset();
        handler.Reset();
        queue.Pump();
        EXPECT_EQ(seen.use_count(), 1) << "the double released the handler either way";
    }
}

// Rule 3: every call on one of the double's objects from a thread other than the one that
// created it answers RPC_E_WRONG_THREAD, does nothing else (the only new record is
// wrong_thread) and leaves out-parameters alone; the same call on the owner thread works.
TEST_F(WebView2DoubleRules, CallsFromAnotherThreadAnswerWrongThreadAndDoNothing) {
    CreateBrowser();
    // Objects the host meets inside handlers: page message arguments, a resource request with its
    // arguments, a response, a developer-protocol receiver.
    TComPtr<ICoreWebView2WebMessageReceivedEventArgs> message;
    TComPtr<ICoreWebView2WebResourceRequestedEventArgs> resourceArgs;
    TComPtr<ICoreWebView2WebResourceRequest> request;
    EventRegistrationToken messageToken{}, resourceToken{};
    view->add_WebMessageReceived(
        Callback<ICoreWebView2WebMessageReceivedEventHandler>([&](ICoreWebView2*,
                                                                  ICoreWebView2WebMessageReceivedEventArgs* args) {
            message = TComPtr<ICoreWebView2WebMessageReceivedEventArgs>(args);
            return S_OK;
        }).Get(),
        &messageToken);
    view->add_WebResourceRequested(
        Callback<ICoreWebView2WebResourceRequestedEventHandler>([&](ICoreWebView2*,
                                                                    ICoreWebView2WebResourceRequestedEventArgs* args) {
            resourceArgs = TComPtr<ICoreWebView2WebResourceRequestedEventArgs>(args);
            args->get_Request(request.Put());
            return S_OK;
        }).Get(),
        &resourceToken);
    view->AddWebResourceRequestedFilter(TWideText("file:///*").Get(), COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    webview2_double::PlayAction({{"action", "web_message"}, {"json", "{\"id\":1}"}});
    view->Navigate(TWideText("file:///index.html").Get());
    ASSERT_TRUE(PumpUntil([&] { return !Records("navigation_completed").empty(); }));
    ASSERT_TRUE(message && resourceArgs && request);
    TComPtr<ICoreWebView2WebResourceResponse> response;
    ASSERT_EQ(environment->CreateWebResourceResponse(nullptr, 404, TWideText("Not Found").Get(), TWideText("").Get(),
                                                     response.Put()),
              S_OK);
    TComPtr<ICoreWebView2DevToolsProtocolEventReceiver> receiver;
    ASSERT_EQ(view->GetDevToolsProtocolEventReceiver(TWideText("Network.requestWillBeSent").Get(), receiver.Put()),
              S_OK);

    // Each call gets its out-parameters fresh; what a successful call hands out is released.
    void* const untouched = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x5151));
    const auto noOp = Callback<ICoreWebView2WebMessageReceivedEventHandler>(
        [](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs*) { return S_OK; });
    const auto noOpDevTools = Callback<ICoreWebView2DevToolsProtocolEventReceivedEventHandler>(
        [](ICoreWebView2*, ICoreWebView2DevToolsProtocolEventReceivedEventArgs*) { return S_OK; });
    struct TCase {
        const char* Object;
        const char* Method;
        std::function<HRESULT(bool& outLeftAlone)> Call;
    };
    const auto giveObject = [untouched](auto call, bool& leftAlone) {
        void* out = untouched;
        const HRESULT result = call(&out);
        leftAlone = out == untouched;
        if (SUCCEEDED(result) && out != nullptr && out != untouched) static_cast<IUnknown*>(out)->Release();
        return result;
    };
    const auto giveString = [untouched](auto call, bool& leftAlone) {
        LPWSTR out = static_cast<LPWSTR>(untouched);
        const HRESULT result = call(&out);
        leftAlone = out == static_cast<LPWSTR>(untouched);
        if (SUCCEEDED(result) && out != static_cast<LPWSTR>(untouched)) CoTaskMemFree(out);
        return result;
    };
    const std::vector<TCase> cases = {
        {"TDoubleWebView", "get_Settings",
         [&](bool& left) {
             return giveObject(
                 [&](void** out) { return view->get_Settings(reinterpret_cast<ICoreWebView2Settings**>(out)); }, left);
         }},
        {"TDoubleWebView", "get_Source",
         [&](bool& left) { return giveString([&](LPWSTR* out) { return view->get_Source(out); }, left); }},
        {"TDoubleWebView", "Navigate", [&](bool&) { return view->Navigate(TWideText("file:///other.html").Get()); }},
        {"TDoubleWebView", "ExecuteScript", [&](bool&) { return view->ExecuteScript(TWideText("1").Get(), nullptr); }},
        {"TDoubleWebView", "PostWebMessageAsJson",
         [&](bool&) { return view->PostWebMessageAsJson(TWideText("{\"id\":2}").Get()); }},
        {"TDoubleWebView", "add_WebMessageReceived",
         [&](bool&) {
             EventRegistrationToken token{};
             const HRESULT result = view->add_WebMessageReceived(noOp.Get(), &token);
             if (SUCCEEDED(result)) view->remove_WebMessageReceived(token);
             return result;
         }},
        {"TDoubleWebView", "remove_WebMessageReceived",
         [&](bool&) { return view->remove_WebMessageReceived(EventRegistrationToken{-1}); }},
        {"TDoubleSettings", "put_IsScriptEnabled", [&](bool&) { return settings->put_IsScriptEnabled(FALSE); }},
        {"TDoubleSettings", "get_IsScriptEnabled",
         [&](bool& left) {
             BOOL value = 7;
             const HRESULT result = settings->get_IsScriptEnabled(&value);
             left = value == 7;
             return result;
         }},
        {"TDoubleController", "put_Bounds",
         [&](bool&) {
             return controller->put_Bounds(RECT{0, 0, 320, 200});
         }},
        {"TDoubleController", "put_ZoomFactor", [&](bool&) { return controller->put_ZoomFactor(1.25); }},
        {"TDoubleController", "get_CoreWebView2",
         [&](bool& left) {
             return giveObject(
                 [&](void** out) { return controller->get_CoreWebView2(reinterpret_cast<ICoreWebView2**>(out)); },
                 left);
         }},
        {"TDoubleEnvironment", "get_BrowserVersionString",
         [&](bool& left) {
             return giveString([&](LPWSTR* out) { return environment->get_BrowserVersionString(out); }, left);
         }},
        {"TDoubleEnvironment", "CreateWebResourceResponse",
         [&](bool& left) {
             return giveObject(
                 [&](void** out) {
                     return environment->CreateWebResourceResponse(
                         nullptr, 200, TWideText("OK").Get(), TWideText("").Get(),
                         reinterpret_cast<ICoreWebView2WebResourceResponse**>(out));
                 },
                 left);
         }},
        {"TWebResourceResponse", "put_StatusCode", [&](bool&) { return response->put_StatusCode(200); }},
        {"TWebMessageReceivedArgs", "get_WebMessageAsJson",
         [&](bool& left) { return giveString([&](LPWSTR* out) { return message->get_WebMessageAsJson(out); }, left); }},
        {"TWebResourceRequestedArgs", "put_Response",
         [&](bool&) { return resourceArgs->put_Response(response.Get()); }},
        {"TWebResourceRequest", "get_Uri",
         [&](bool& left) { return giveString([&](LPWSTR* out) { return request->get_Uri(out); }, left); }},
        {"TDevToolsReceiver", "add_DevToolsProtocolEventReceived",
         [&](bool&) {
             EventRegistrationToken token{};
             const HRESULT result = receiver->add_DevToolsProtocolEventReceived(noOpDevTools.Get(), &token);
             if (SUCCEEDED(result)) receiver->remove_DevToolsProtocolEventReceived(token);
             return result;
         }},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(std::string(test.Object) + "::" + test.Method);
        const std::size_t before = TDoubleHost::Instance().Transcript().size();
        HRESULT result = S_OK;
        bool leftAlone = true;
        const std::uint64_t worker = OnAnotherThread([&] { result = test.Call(leftAlone); });
        EXPECT_EQ(static_cast<std::uint32_t>(result), static_cast<std::uint32_t>(RPC_E_WRONG_THREAD));
        EXPECT_TRUE(leftAlone) << "out-parameters are left alone";
        const auto transcript = TDoubleHost::Instance().Transcript();
        ASSERT_EQ(transcript.size(), before + 1) << "nothing but the wrong_thread record";
        const json& record = transcript.back();
        EXPECT_EQ(record["event"], "wrong_thread");
        EXPECT_EQ(record["method"], test.Method);
        EXPECT_EQ(record["object"], test.Object);
        EXPECT_EQ(record["thread"].get<std::uint64_t>(), worker);
        EXPECT_EQ(record["owner"].get<std::uint64_t>(), ui_);
        queue.Pump();
        EXPECT_EQ(TDoubleHost::Instance().Transcript().size(), before + 1) << "and nothing queued";

        bool ignored = true;
        EXPECT_TRUE(SUCCEEDED(test.Call(ignored))) << "the owner thread's call works";
        queue.Pump();
    }
    BOOL scriptEnabled = FALSE;
    settings->get_IsScriptEnabled(&scriptEnabled);
    EXPECT_EQ(scriptEnabled, FALSE) << "set by the owner thread's call only";
    view->remove_WebMessageReceived(messageToken);
    view->remove_WebResourceRequested(resourceToken);
    message.Reset();
    resourceArgs.Reset();
    request.Reset();
}

// Rule 5: a JSON message is parsed before it is posted: text that is not JSON is refused.
TEST_F(WebView2DoubleRules, PostWebMessageAsJsonRefusesTextThatIsNotJson) {
    CreateBrowser();
    struct TCase {
        const char* Text;
        HRESULT Expected;
        const char* Event;
    };
    const TCase cases[] = {
        {"not json", E_INVALIDARG, "post_web_message_rejected"},
        {"{\"id\":", E_INVALIDARG, "post_web_message_rejected"},
        {"", E_INVALIDARG, "post_web_message_rejected"},
        {"{\"id\":10001,\"data\":{}}", S_OK, "post_web_message"},
        {"\"a string\"", S_OK, "post_web_message"},
        {"42", S_OK, "post_web_message"},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Text);
        EXPECT_EQ(static_cast<std::uint32_t>(view->PostWebMessageAsJson(TWideText(test.Text).Get())),
                  static_cast<std::uint32_t>(test.Expected));
        const json last = TDoubleHost::Instance().Transcript().back();
        EXPECT_EQ(last["event"], test.Event);
        EXPECT_EQ(last["json"], test.Text);
    }
    EXPECT_EQ(Records("post_web_message").size(), 3u) << "refused messages are not posted";
}

// Rule 6: host handlers of one browser run one at a time. What the double would raise while one
// runs (a nested message loop in the handler pumps a scenario step; a host call in the handler
// would raise an event at once) is held, recorded, and raised once the handler has returned.
TEST_F(WebView2DoubleRules, EventsRaisedWhileAHandlerRunsAreHeldUntilItReturns) {
    enum class TInside { PumpQueue, SetZoom, Nothing };
    struct TCase {
        const char* Name;
        TInside Inside;
        const char* Held;  // the held event's name; null when nothing is held
        std::vector<std::string> SeenBeforePumping;
        std::vector<std::string> SeenAtEnd;
    };
    const TCase cases[] = {
        {"a nested message loop in the handler (old code)",
         TInside::PumpQueue,
         "WebMessageReceived",
         {"message:1", "message:2"},
         {"message:1", "message:2"}},
        {"a host call in the handler that raises an event",
         TInside::SetZoom,
         "ZoomFactorChanged",
         {"message:1", "zoom"},
         {"message:1", "zoom", "message:2"}},
        {"a handler that returns before the next event",
         TInside::Nothing,
         nullptr,
         {"message:1"},
         {"message:1", "message:2"}},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        CloseBrowser();
        // The page posts a second message as soon as the first is recorded.
        UseScenario({{"steps", {{{"after", "web_message"}, {"action", "web_message"}, {"json", "{\"n\":2}"}}}}});
        CreateBrowser();
        std::vector<std::string> seen;
        int depth = 0, deepest = 0;
        const auto enter = [&](const std::string& what) {
            deepest = std::max(deepest, ++depth);
            seen.push_back(what);
        };
        EventRegistrationToken messageToken{}, zoomToken{};
        view->add_WebMessageReceived(
            Callback<ICoreWebView2WebMessageReceivedEventHandler>([&](ICoreWebView2* sender,
                                                                      ICoreWebView2WebMessageReceivedEventArgs* args) {
                LPWSTR text = nullptr;
                args->get_WebMessageAsJson(&text);
                const json message = json::parse(TakeWideString(text));
                enter("message:" + std::to_string(message["n"].get<int>()));
                if (message["n"] == 1) {
                    if (test.Inside == TInside::PumpQueue) queue.Pump();  // as a modal box would
                    if (test.Inside == TInside::SetZoom) controller->put_ZoomFactor(2.0);
                    sender->PostWebMessageAsString(TWideText("first handler returns").Get());
                }
                --depth;
                return S_OK;
            }).Get(),
            &messageToken);
        controller->add_ZoomFactorChanged(
            Callback<ICoreWebView2ZoomFactorChangedEventHandler>([&](ICoreWebView2Controller*, IUnknown*) {
                enter("zoom");
                --depth;
                return S_OK;
            }).Get(),
            &zoomToken);

        webview2_double::PlayAction({{"action", "web_message"}, {"json", "{\"n\":1}"}});
        EXPECT_EQ(seen, test.SeenBeforePumping);
        queue.Pump();
        EXPECT_EQ(seen, test.SeenAtEnd);
        EXPECT_EQ(deepest, 1) << "no handler ran inside another";

        const auto held = Records("event_held");
        const auto returned = Records("post_web_message_string");
        ASSERT_EQ(returned.size(), 1u);
        if (test.Held == nullptr) {
            EXPECT_TRUE(held.empty());
        } else {
            ASSERT_EQ(held.size(), 1u);
            EXPECT_EQ(held[0]["name"], test.Held);
            EXPECT_LT(SequenceOf(held[0]), SequenceOf(returned[0])) << "held while the first handler ran";
        }
        const auto messages = Records("web_message");
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_GT(SequenceOf(messages[1]), SequenceOf(returned[0])) << "the second message after the first returned";
        view->remove_WebMessageReceived(messageToken);
        controller->remove_ZoomFactorChanged(zoomToken);
    }
}

// Rule 4: the runtime reads a response's content on a background thread, after the
// WebResourceRequested handler has returned; a stream that can be read only on the
// user-interface thread (here: one that waits for it) stalls the read, which the double bounds.
TEST_F(WebView2DoubleRules, ResponseContentIsReadOnABackgroundThreadAfterTheHandlerReturns) {
    struct TCase {
        const char* Name;
        bool WaitsForUiThread;
        const char* Event;
        bool Success;
    };
    const TCase cases[] = {
        {"a stream any thread can read", false, "resource_response", true},
        {"a stream that waits for the user-interface thread", true, "resource_read_timeout", false},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        CloseBrowser();
        UseScenario({{"content_read_timeout_ms", 200}});
        CreateBrowser();
        std::atomic<bool> handlerReturned{false};
        auto stream = TComPtr<TWatchedStream>::Adopt(
            new TWatchedStream("<title>Served</title>", test.WaitsForUiThread, handlerReturned));
        std::uint64_t handlerThread = 0;
        EventRegistrationToken resourceToken{}, completedToken{};
        view->add_WebResourceRequested(Callback<ICoreWebView2WebResourceRequestedEventHandler>(
                                           [&](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
                                               handlerThread = TDoubleHost::CurrentThread();
                                               TComPtr<ICoreWebView2WebResourceResponse> response;
                                               environment->CreateWebResourceResponse(
                                                   stream.Get(), 200, TWideText("OK").Get(),
                                                   TWideText("Content-Type: text/html").Get(), response.Put());
                                               args->put_Response(response.Get());
                                               std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                               handlerReturned = true;
                                               return S_OK;
                                           })
                                           .Get(),
                                       &resourceToken);
        std::vector<bool> completed;
        view->add_NavigationCompleted(Callback<ICoreWebView2NavigationCompletedEventHandler>(
                                          [&](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs* args) {
                                              BOOL success = FALSE;
                                              args->get_IsSuccess(&success);
                                              completed.push_back(success != FALSE);
                                              return S_OK;
                                          })
                                          .Get(),
                                      &completedToken);
        view->AddWebResourceRequestedFilter(TWideText("file:///*").Get(), COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
        view->Navigate(TWideText("file:///index.html").Get());
        ASSERT_TRUE(PumpUntil([&] { return !completed.empty(); }));
        stream->Unblock();
        EXPECT_TRUE(TDoubleHost::Instance().WaitForBackgroundWork(std::chrono::seconds(5)));

        EXPECT_EQ(completed, std::vector<bool>{test.Success});
        EXPECT_EQ(handlerThread, ui_);
        EXPECT_NE(stream->ReadThread(), 0u) << "the content was read";
        EXPECT_NE(stream->ReadThread(), ui_) << "on a thread other than the user-interface thread";
        EXPECT_TRUE(stream->HandlerHadReturned()) << "after the handler returned";
        const auto records = Records(test.Event);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0]["uri"], "file:///index.html");
        if (test.WaitsForUiThread) {
            EXPECT_EQ(records[0]["timeout_ms"], 200);
            EXPECT_TRUE(Records("resource_response").empty());
        } else {
            EXPECT_EQ(records[0]["thread"].get<std::uint64_t>(), ui_);
            EXPECT_EQ(records[0]["read_thread"].get<std::uint64_t>(), stream->ReadThread());
            EXPECT_EQ(records[0]["bytes"], 21);
        }
        view->remove_WebResourceRequested(resourceToken);
        view->remove_NavigationCompleted(completedToken);
    }
}

}  // namespace
}  // namespace vellum
