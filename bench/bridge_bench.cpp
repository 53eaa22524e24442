// Host time per page message: reading the message from the event arguments, parsing it,
// selecting the function and running it (isRuntime), and making the answer text in the form
// the runtime posts it (UTF-16). Posting itself is the browser runtime's work and is not timed.
#include <benchmark/benchmark.h>

#include "app/bridge/bridge_arguments.h"
#include "app/bridge/browser_external_module.h"
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

class TNoPlatform final : public IBridgePlatform {
public:
    void FocusWindowAbove(TCustomEdgeBrowser&, int) override {}
    void ShowMessage(const std::string&) override {}
};

void BM_DispatchRequest(benchmark::State& state) {
    TNoPlatform platform;
    TBrowserExternalModule module(platform);
    TZipArchive archive;  // runtime mode: isRuntime answers true
    module.ExeZip = &archive;
    auto message = TComPtr<TFixedMessage>::Adopt(
        new TFixedMessage(R"({"id":10002,"uuid":"0f8fad5b-d9cb-469f-a165-70867728950e","data":{}})"));
    TWebMessageReceivedEventArgs args(message.Get());
    for (auto _ : state) module.EdgeBrowserWebMessageReceived(nullptr, args);
}
BENCHMARK(BM_DispatchRequest);

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
