// Host time per page message: reading the message from the runtime's event arguments into the
// bridge's queue, dispatching it once the event has returned (parsing, selecting the function,
// running isRuntime), making the answer text and converting it to the UTF-16 the runtime takes.
// Posting itself is the browser runtime's work and is not timed.
#include <benchmark/benchmark.h>

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
