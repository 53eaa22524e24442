// Host time per page message: reading the message from the runtime's event arguments into the
// bridge's queue, dispatching it once the event has returned (parsing, selecting the function,
// running isRuntime), making the answer text and converting it to the UTF-16 the runtime takes.
// Posting itself is the browser runtime's work and is not timed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "answer_only_page.h"
#include "bridge/bridge_arguments.h"
#include "bridge/browser_external_module.h"
#include "browser/edge_browser.h"
#include "core/archive/zip_archive.h"
#include "webview2/com_object.h"
#include "webview2/wide_text.h"

namespace vellum {
namespace {

using namespace webview2;

// Event arguments that answer a fixed message, as the runtime hands one over.
class TFixedMessage final : public TComObject<ICoreWebView2WebMessageReceivedEventArgs> {
public:
    explicit TFixedMessage(std::string json) : json_(std::move(json)) {}
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override {
        *value = NewWideString("file:///index.html");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* value) override {
        *value = NewWideString(json_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) override {
        *value = nullptr;
        return E_INVALIDARG;
    }

private:
    std::string json_;
};

// The page as the browser control is for the bridge: the answer becomes the runtime's UTF-16.
class TConvertingPage final : public TAnswerOnlyPage {
public:
    bool PostWebMessageAsJson(const std::string& json) override {
        TWideText text(json);
        benchmark::DoNotOptimize(text.Get());
        return true;
    }
};

void BM_PageMessageToAnswer(benchmark::State& state) {
    TManualUiQueue queue;
    TConvertingPage page;
    TBrowserExternalModule module(TBridgeServices{}, queue);
    TZipArchive archive;  // runtime mode: isRuntime answers true
    module.ExeZip = &archive;
    module.BrowserForm = &page;
    auto message = TComPtr<TFixedMessage>::Adopt(
        new TFixedMessage(R"({"id":10002,"uuid":"0f8fad5b-d9cb-469f-a165-70867728950e","data":{}})"));
    for (auto _ : state) {
        module.EdgeBrowserWebMessageReceived(ReadWebMessage(message.Get()));
        queue.Pump();
    }
}
BENCHMARK(BM_PageMessageToAnswer);

// Resident memory of this process in KiB, from the kernel's page counts.
double ResidentKiB() {
    long pages = 0, resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1024.0;
}

// 100,000 page messages in a row, each with a uuid of its own and taking turns among a few
// functions, as a busy page sends them: what the bridge keeps per message must not add up.
// Reported: resident memory after a warm-up of 10,000 messages and its growth over the next
// 100,000.
void BM_ResidentMemoryOver100000Messages(benchmark::State& state) {
    TManualUiQueue queue;
    TConvertingPage page;
    THostInfo host;
    host.ExecutablePath = "/apps/hello/Hello";
    host.Arguments = {"--first", "second"};
    TBridgeServices services;
    services.Host = host;
    TBrowserExternalModule module(std::move(services), queue);
    TZipArchive archive;
    module.ExeZip = &archive;
    module.BrowserForm = &page;
    const int functions[] = {10002, 50005, 10002, 50002};
    long sent = 0;
    auto send = [&](long count) {
        for (long i = 0; i < count; ++i, ++sent) {
            const std::string json = "{\"id\":" + std::to_string(functions[sent % 4]) + ",\"uuid\":\"m-" +
                                     std::to_string(sent) + "\",\"data\":{}}";
            auto message = TComPtr<TFixedMessage>::Adopt(new TFixedMessage(json));
            module.EdgeBrowserWebMessageReceived(ReadWebMessage(message.Get()));
            queue.Pump();
        }
    };
    for (auto _ : state) {
        send(10000);
        const double warm = ResidentKiB();
        send(100000);
        state.counters["rss_after_warmup_KiB"] = warm;
        state.counters["rss_growth_KiB"] = ResidentKiB() - warm;
    }
}
BENCHMARK(BM_ResidentMemoryOver100000Messages)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_MakeAnswer(benchmark::State& state) {
    for (auto _ : state) {
        TWideText answer(FormatBridgeAnswer("0f8fad5b-d9cb-469f-a165-70867728950e", "true", true));
        benchmark::DoNotOptimize(answer.Get());
    }
}
BENCHMARK(BM_MakeAnswer);

}  // namespace
}  // namespace vellum

BENCHMARK_MAIN();
