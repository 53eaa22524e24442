#include "browser/webview2_loader.h"

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__)
#include <xmmintrin.h>
#endif

#include "webview2/wide_text.h"

namespace vellum {

using namespace webview2;

TWebView2Loader& TWebView2Loader::Instance() {
    static TWebView2Loader loader;
    return loader;
}

bool TWebView2Loader::EnsureLoaded() {
    if (library_.Loaded()) return true;
    return !FLoaderLibraryPath.empty() && library_.Load(FLoaderLibraryPath);
}

HRESULT TWebView2Loader::CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    if (linked_.CreateCoreWebView2Environment != nullptr) return linked_.CreateCoreWebView2Environment(handler);
    if (!EnsureLoaded()) return E_FAIL;
    const auto create =
        reinterpret_cast<TCreateCoreWebView2Environment>(library_.Symbol("CreateCoreWebView2Environment"));
    if (create == nullptr) return E_FAIL;
    return create(handler);
}

HRESULT TWebView2Loader::BrowserVersionString(std::string& version) {
    version.clear();
    auto query = linked_.GetAvailableCoreWebView2BrowserVersionString;
    if (query == nullptr && !EnsureLoaded()) return E_FAIL;
    if (query == nullptr)
        query = reinterpret_cast<TGetAvailableCoreWebView2BrowserVersionString>(
            library_.Symbol("GetCoreWebView2BrowserVersionString"));
    if (query == nullptr)
        query = reinterpret_cast<TGetAvailableCoreWebView2BrowserVersionString>(
            library_.Symbol("GetAvailableCoreWebView2BrowserVersionString"));
    if (query == nullptr) return E_FAIL;
    LPWSTR text = nullptr;
    const HRESULT result = query(nullptr, &text);
    version = TakeWideString(text);
    return result;
}

void TWebView2Loader::Unload() {
    library_.Unload();
    FLoaderLibraryPath.clear();
}

void MaskFloatingPointExceptions() {
#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__)
    _mm_setcsr(_mm_getcsr() | 0x1F80);
#endif
}

}  // namespace vellum
