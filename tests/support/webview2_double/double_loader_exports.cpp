// The loader library's five exports, as the shipped loader has them (exports.def lists them).
#include "double_loader_exports.h"

#include "double_host.h"
#include "double_objects.h"
#include "webview2/wide_text.h"

using namespace vellum::webview2;
using vellum::webview2_double::TDoubleHost;

extern "C" {

HRESULT STDMETHODCALLTYPE
CreateCoreWebView2Environment(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    return vellum::webview2_double::CreateEnvironment(environmentCreatedHandler, "CreateCoreWebView2Environment");
}

HRESULT STDMETHODCALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions*,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    return vellum::webview2_double::CreateEnvironment(environmentCreatedHandler,
                                                      "CreateCoreWebView2EnvironmentWithOptions");
}

HRESULT STDMETHODCALLTYPE GetAvailableCoreWebView2BrowserVersionString(PCWSTR, LPWSTR* versionInfo) {
    if (versionInfo == nullptr) return E_POINTER;
    TDoubleHost& host = TDoubleHost::Instance();
    host.LoadFromEnvironment();
    const std::string version = host.BrowserVersion();
    host.Record("version_query", {{"version", version}});
    *versionInfo = version.empty() ? nullptr : NewWideString(version);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetAvailableCoreWebView2BrowserVersionStringWithOptions(PCWSTR folder,
                                                                                  ICoreWebView2EnvironmentOptions*,
                                                                                  LPWSTR* versionInfo) {
    return GetAvailableCoreWebView2BrowserVersionString(folder, versionInfo);
}

HRESULT STDMETHODCALLTYPE CompareBrowserVersions(PCWSTR version1, PCWSTR version2, int* result) {
    if (version1 == nullptr || version2 == nullptr || result == nullptr) return E_INVALIDARG;
    const std::string left = FromWide(version1), right = FromWide(version2);
    std::size_t i = 0, j = 0;
    while (i < left.size() || j < right.size()) {
        unsigned long a = 0, b = 0;
        while (i < left.size() && left[i] != '.') {
            if (left[i] < '0' || left[i] > '9') return E_INVALIDARG;
            a = a * 10 + static_cast<unsigned long>(left[i++] - '0');
        }
        while (j < right.size() && right[j] != '.') {
            if (right[j] < '0' || right[j] > '9') return E_INVALIDARG;
            b = b * 10 + static_cast<unsigned long>(right[j++] - '0');
        }
        if (a != b) {
            *result = a < b ? -1 : 1;
            return S_OK;
        }
        if (i < left.size()) ++i;
        if (j < right.size()) ++j;
    }
    *result = 0;
    return S_OK;
}

}  // extern "C"
