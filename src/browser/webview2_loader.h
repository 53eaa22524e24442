#pragma once

#include <string>

#include "platform/dynamic_library.h"
#include "webview2/webview2_abi.h"

namespace vellum {

// The WebView2 loader library, loaded from LoaderLibraryPath on first need and kept until the
// process ends. Each export is needed only by the operation that calls it: creation needs
// CreateCoreWebView2Environment; the version query uses GetCoreWebView2BrowserVersionString
// where a loader has it and GetAvailableCoreWebView2BrowserVersionString (same signature)
// otherwise, since the shipped loaders export only the latter. A library that cannot be loaded
// gives E_FAIL, and the next need tries again.
class TWebView2Loader {
public:
    static TWebView2Loader& Instance();

    void SetLoaderLibraryPath(const std::string& path) { FLoaderLibraryPath = path; }
    const std::string& LoaderLibraryPath() const { return FLoaderLibraryPath; }

    webview2::HRESULT CreateCoreWebView2Environment(
        webview2::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);
    // The browser version of the default installation, as UTF-8; E_FAIL without a loader.
    webview2::HRESULT BrowserVersionString(std::string& version);

    // A loader linked into the program instead of a library file (the native tests link the
    // WebView2 test double this way); null entries fall back to the library.
    struct TLinkedLoader {
        webview2::TCreateCoreWebView2Environment CreateCoreWebView2Environment = nullptr;
        webview2::TGetAvailableCoreWebView2BrowserVersionString GetAvailableCoreWebView2BrowserVersionString = nullptr;
    };
    void UseLinkedLoader(const TLinkedLoader& linked) { linked_ = linked; }

    // Frees the library and clears the path, as at process end.
    void Unload();
    bool Loaded() const { return library_.Loaded(); }

private:
    bool EnsureLoaded();

    std::string FLoaderLibraryPath;
    TDynamicLibrary library_;
    TLinkedLoader linked_;
};

// Masks all floating-point exceptions of the processor's SSE unit (the six mask bits 0x1F80 of
// its control register), keeping the other control bits; run once at program start.
void MaskFloatingPointExceptions();

}  // namespace vellum
