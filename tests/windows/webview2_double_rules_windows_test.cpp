// The WebView2 test double's threading rules 1-3 (docs/webview2-double.md, "Rules the double
// enforces") against the real library under Wine: the system's COM apartments, and completions
// delivered through a message-only window that the asking thread owns.

#include <windows.h>

#include <gtest/gtest.h>

#include "pump_messages_win32.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/system/own_executable.h"
#include "test_files.h"
#include "webview2/com_object.h"
#include "webview2/webview2_abi.h"

namespace vellum {
namespace {

using nlohmann::json;
using namespace webview2;

// A copy of the double of its own, so that its process-wide state (scenario, transcript) is this
// suite's whatever loaded webview2_double.dll before. Loaded once and never freed: threads of
// the double may still be finishing when a test ends.
class TRulesDouble {
public:
    static TRulesDouble& Instance() {
        static TRulesDouble* loaded = new TRulesDouble();
        return *loaded;
    }

    TCreateCoreWebView2Environment Create = nullptr;
    TCreateCoreWebView2EnvironmentWithOptions CreateWithOptions = nullptr;
    TGetAvailableCoreWebView2BrowserVersionString Version = nullptr;

    // The transcript so far, one record a line.
    std::vector<json> Records() const {
        std::vector<json> records;
        std::ifstream file(transcript_);
        std::string line;
        while (std::getline(file, line))
            if (!line.empty()) records.push_back(json::parse(line));
        return records;
    }

private:
    TRulesDouble() {
        const auto folder = RunningExecutable().Path().parent_path();
        const auto copy = folder / "webview2_double_rules.dll";
        CopyFileW((folder / "webview2_double.dll").wstring().c_str(), copy.wstring().c_str(), FALSE);
        transcript_ = directory_.Path() / "transcript.jsonl";
        SetEnvironmentVariableW(L"VELLUM_WEBVIEW2_SCENARIO", nullptr);
        SetEnvironmentVariableW(L"VELLUM_WEBVIEW2_TRANSCRIPT", transcript_.wstring().c_str());
        HMODULE library = LoadLibraryW(copy.wstring().c_str());
        if (library == nullptr) return;
        Create = reinterpret_cast<TCreateCoreWebView2Environment>(
            reinterpret_cast<void*>(GetProcAddress(library, "CreateCoreWebView2Environment")));
        CreateWithOptions = reinterpret_cast<TCreateCoreWebView2EnvironmentWithOptions>(
            reinterpret_cast<void*>(GetProcAddress(library, "CreateCoreWebView2EnvironmentWithOptions")));
        Version = reinterpret_cast<TGetAvailableCoreWebView2BrowserVersionString>(
            reinterpret_cast<void*>(GetProcAddress(library, "GetAvailableCoreWebView2BrowserVersionString")));
    }

    testing::TTempDir directory_;
    std::filesystem::path transcript_;
};

// Records of one event written after the first `after` records.
std::vector<json> Having(const std::vector<json>& records, const std::string& event, std::size_t after = 0) {
    std::vector<json> found;
    for (std::size_t i = after; i < records.size(); ++i)
        if (records[i]["event"] == event) found.push_back(records[i]);
    return found;
}

using testing::PumpUntil;

// Runs `body` on a thread of its own, which ends before this returns; answers its id.
DWORD OnAnotherThread(const std::function<void()>& body) {
    DWORD id = 0;
    std::thread thread([&] {
        id = GetCurrentThreadId();
        body();
    });
    thread.join();
    return id;
}

struct TEnvironmentSeen {
    std::mutex Mutex;
    int Calls = 0;
    HRESULT Result = E_FAIL;
    DWORD Thread = 0;
    TComPtr<ICoreWebView2Environment> Environment;
};

TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> EnvironmentHandler(
    const std::shared_ptr<TEnvironmentSeen>& seen) {
    return Callback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        [seen](HRESULT result, ICoreWebView2Environment* environment) {
            std::lock_guard lock(seen->Mutex);
            ++seen->Calls;
            seen->Result = result;
            seen->Thread = GetCurrentThreadId();
            seen->Environment = TComPtr<ICoreWebView2Environment>(environment);
            return S_OK;
        });
}

int CallsOf(const std::shared_ptr<TEnvironmentSeen>& seen) {
    std::lock_guard lock(seen->Mutex);
    return seen->Calls;
}

class WebView2DoubleRulesWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(double_.Create, nullptr) << "webview2_double_rules.dll loads";
        ASSERT_NE(double_.CreateWithOptions, nullptr);
        mark_ = double_.Records().size();
    }

    // Records of `event` this test wrote, waiting up to five seconds for `count` of them.
    std::vector<json> Wait(const std::string& event, std::size_t count = 1) const {
        std::vector<json> found;
        const ULONGLONG until = GetTickCount64() + 5000;
        do {
            found = Having(double_.Records(), event, mark_);
            if (found.size() >= count) break;
            Sleep(5);
        } while (GetTickCount64() < until);
        return found;
    }

    TRulesDouble& double_ = TRulesDouble::Instance();
    std::size_t mark_ = 0;
};

// Rule 1: a thread that never initialised COM, or one in the multithreaded apartment, is refused
// at once, and no completion follows.
TEST_F(WebView2DoubleRulesWindows, EnvironmentCreationNeedsASingleThreadedApartment) {
    struct TCase {
        const char* Name;
        bool JoinsApartment;
        DWORD Model;
        bool WithOptions;
        HRESULT Expected;
        const char* Apartment;
    };
    const TCase cases[] = {
        {"a thread without COM", false, 0, false, CO_E_NOTINITIALIZED, "none"},
        {"a thread without COM, with options", false, 0, true, CO_E_NOTINITIALIZED, "none"},
        {"a multithreaded apartment", true, COINIT_MULTITHREADED, false, RPC_E_CHANGED_MODE, "mta"},
        {"a multithreaded apartment, with options", true, COINIT_MULTITHREADED, true, RPC_E_CHANGED_MODE, "mta"},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        mark_ = double_.Records().size();
        auto seen = std::make_shared<TEnvironmentSeen>();
        auto handler = EnvironmentHandler(seen);
        HRESULT result = S_OK;
        const DWORD worker = OnAnotherThread([&] {
            const bool joined = test.JoinsApartment && SUCCEEDED(CoInitializeEx(nullptr, test.Model));
            result = test.WithOptions ? double_.CreateWithOptions(nullptr, nullptr, nullptr, handler.Get())
                                      : double_.Create(handler.Get());
            if (joined) CoUninitialize();
        });
        EXPECT_EQ(static_cast<std::uint32_t>(result), static_cast<std::uint32_t>(test.Expected));
        const auto asked = Wait("create_environment");
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0]["thread"].get<DWORD>(), worker);
        EXPECT_EQ(asked[0]["apartment"], test.Apartment);
        EXPECT_EQ(asked[0]["result"], static_cast<std::int32_t>(test.Expected));
        EXPECT_EQ(asked[0]["export"],
                  test.WithOptions ? "CreateCoreWebView2EnvironmentWithOptions" : "CreateCoreWebView2Environment");
        PumpUntil([] { return false; }, 30);
        EXPECT_EQ(CallsOf(seen), 0);
        handler.Reset();
        EXPECT_EQ(seen.use_count(), 1) << "the double kept no reference on the handler";
    }
}

// Rule 2: the completion goes to the message-only window of the thread that asked. A worker
// (even a single-threaded apartment) that asks and ends never gets it: the double records it as
// undeliverable and releases the handler.
TEST_F(WebView2DoubleRulesWindows, AnSTAWorkerThatEndsNeverGetsTheCompletion) {
    auto seen = std::make_shared<TEnvironmentSeen>();
    auto handler = EnvironmentHandler(seen);
    HRESULT joined = E_FAIL, result = E_FAIL;
    const DWORD worker = OnAnotherThread([&] {
        joined = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        result = double_.Create(handler.Get());
        if (SUCCEEDED(joined)) CoUninitialize();
    });
    EXPECT_EQ(joined, S_OK);
    EXPECT_EQ(result, S_OK) << "a single-threaded apartment may ask";
    EXPECT_EQ(Wait("create_environment").at(0)["apartment"], "sta");
    const auto lost = Wait("environment_completion_undeliverable");
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0]["thread"].get<DWORD>(), worker);
    EXPECT_EQ(lost[0]["reason"], "thread_ended");
    PumpUntil([] { return false; }, 30);
    EXPECT_EQ(CallsOf(seen), 0) << "no other thread gets it instead";
    EXPECT_TRUE(Having(double_.Records(), "environment_completed", mark_).empty());
    handler.Reset();
    const ULONGLONG until = GetTickCount64() + 5000;
    while (seen.use_count() > 1 && GetTickCount64() < until) Sleep(5);
    EXPECT_EQ(seen.use_count(), 1) << "the undelivered completion released the handler";
}

// Rules 2 and 3: the single-threaded apartment that pumps its messages gets the completion, on
// its own thread; the objects it gets answer RPC_E_WRONG_THREAD on any other thread.
TEST_F(WebView2DoubleRulesWindows, TheAskingUserInterfaceThreadGetsTheEnvironmentAndOwnsItsObjects) {
    const HRESULT joined = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(SUCCEEDED(joined));
    const DWORD ui = GetCurrentThreadId();
    {
        auto seen = std::make_shared<TEnvironmentSeen>();
        ASSERT_EQ(double_.Create(EnvironmentHandler(seen).Get()), S_OK);
        EXPECT_EQ(CallsOf(seen), 0) << "the completion never runs inside the call";
        ASSERT_TRUE(PumpUntil([&] { return CallsOf(seen) == 1; }));
        EXPECT_EQ(seen->Thread, ui);
        EXPECT_EQ(seen->Result, S_OK);
        const TComPtr<ICoreWebView2Environment> environment = seen->Environment;
        seen->Environment.Reset();
        ASSERT_TRUE(environment);
        EXPECT_EQ(Wait("environment_completed").at(0)["thread"].get<DWORD>(), ui);

        TComPtr<ICoreWebView2Controller> controller;
        auto created = Callback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
            [&](HRESULT result, ICoreWebView2Controller* given) {
                EXPECT_EQ(result, S_OK);
                controller = TComPtr<ICoreWebView2Controller>(given);
                return S_OK;
            });
        ASSERT_EQ(environment->CreateCoreWebView2Controller(nullptr, created.Get()), S_OK);
        ASSERT_TRUE(PumpUntil([&] { return static_cast<bool>(controller); }));
        TComPtr<ICoreWebView2> view;
        ASSERT_EQ(controller->get_CoreWebView2(view.Put()), S_OK);

        struct TCase {
            const char* Object;
            const char* Method;
            std::function<HRESULT()> Call;
        };
        const TCase cases[] = {
            {"TDoubleEnvironment", "get_BrowserVersionString",
             [&] {
                 LPWSTR version = nullptr;
                 const HRESULT result = environment->get_BrowserVersionString(&version);
                 CoTaskMemFree(version);
                 return result;
             }},
            {"TDoubleController", "put_Bounds",
             [&] {
                 return controller->put_Bounds(RECT{0, 0, 640, 480});
             }},
            {"TDoubleWebView", "get_Settings",
             [&] {
                 TComPtr<ICoreWebView2Settings> settings;
                 return view->get_Settings(settings.Put());
             }},
            {"TDoubleWebView", "PostWebMessageAsJson", [&] { return view->PostWebMessageAsJson(L"{\"id\":1}"); }},
        };
        for (const TCase& test : cases) {
            SCOPED_TRACE(test.Method);
            const std::size_t before = double_.Records().size();
            HRESULT result = S_OK;
            const DWORD worker = OnAnotherThread([&] { result = test.Call(); });
            EXPECT_EQ(static_cast<std::uint32_t>(result), static_cast<std::uint32_t>(RPC_E_WRONG_THREAD));
            const auto records = double_.Records();
            ASSERT_EQ(records.size(), before + 1) << "nothing but the wrong_thread record";
            EXPECT_EQ(records.back()["event"], "wrong_thread");
            EXPECT_EQ(records.back()["method"], test.Method);
            EXPECT_EQ(records.back()["object"], test.Object);
            EXPECT_EQ(records.back()["thread"].get<DWORD>(), worker);
            EXPECT_EQ(records.back()["owner"].get<DWORD>(), ui);
            EXPECT_EQ(test.Call(), S_OK) << "the owner thread's call works";
        }
        controller->Close();
    }
    // Everything released: one more call into the double writes its counts.
    LPWSTR version = nullptr;
    ASSERT_EQ(double_.Version(nullptr, &version), S_OK);
    CoTaskMemFree(version);
    const auto records = double_.Records();
    EXPECT_EQ(records.back()["event"], "version_query");
    EXPECT_EQ(records.back()["live"], 0) << "every object of the double was released";
    EXPECT_EQ(records.back()["handlers"], 0);
    CoUninitialize();
}

}  // namespace
}  // namespace vellum
