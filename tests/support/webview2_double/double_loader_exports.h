#pragma once

#include "webview2/webview2_abi.h"

extern "C" {
vellum::webview2::HRESULT STDMETHODCALLTYPE CreateCoreWebView2Environment(
    vellum::webview2::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler);
vellum::webview2::HRESULT STDMETHODCALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    vellum::webview2::PCWSTR browserExecutableFolder, vellum::webview2::PCWSTR userDataFolder,
    vellum::webview2::ICoreWebView2EnvironmentOptions* environmentOptions,
    vellum::webview2::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler);
vellum::webview2::HRESULT STDMETHODCALLTYPE GetAvailableCoreWebView2BrowserVersionString(
    vellum::webview2::PCWSTR browserExecutableFolder, vellum::webview2::LPWSTR* versionInfo);
vellum::webview2::HRESULT STDMETHODCALLTYPE GetAvailableCoreWebView2BrowserVersionStringWithOptions(
    vellum::webview2::PCWSTR browserExecutableFolder, vellum::webview2::ICoreWebView2EnvironmentOptions* options,
    vellum::webview2::LPWSTR* versionInfo);
vellum::webview2::HRESULT STDMETHODCALLTYPE CompareBrowserVersions(vellum::webview2::PCWSTR version1,
                                                                   vellum::webview2::PCWSTR version2, int* result);
}
