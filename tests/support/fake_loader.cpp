// Stand-ins for the WebView2 loader library, for the runtime-present check. Built three ways:
//   FAKE_LOADER_VERSION defined: the export answers that version;
//   FAKE_LOADER_EMPTY defined:   the export answers an empty string;
//   FAKE_LOADER_MARKER defined:  it answers a version once a file "runtime-installed" lies
//                                beside the library (what the installer stand-in creates);
//   neither:                     the library lacks the export.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include <objbase.h>
#define FAKE_EXPORT extern "C" __declspec(dllexport)
using TChar = wchar_t;
[[maybe_unused]] static TChar* Allocate(std::size_t characters) {
    return static_cast<TChar*>(CoTaskMemAlloc(characters * sizeof(TChar)));
}
#define FAKE_CALL __stdcall
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
using TChar = char16_t;
[[maybe_unused]] static TChar* Allocate(std::size_t characters) {
    return static_cast<TChar*>(std::malloc(characters * sizeof(TChar)));
}
#define FAKE_CALL
#endif

#if defined(FAKE_LOADER_VERSION) || defined(FAKE_LOADER_EMPTY) || defined(FAKE_LOADER_MARKER)
FAKE_EXPORT std::int32_t FAKE_CALL GetAvailableCoreWebView2BrowserVersionString(const TChar*, TChar** version) {
#if defined(FAKE_LOADER_MARKER) && defined(_WIN32)
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&GetAvailableCoreWebView2BrowserVersionString), &self);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(self, path, MAX_PATH);
    wchar_t* slash = wcsrchr(path, L'\\');
    if (slash != nullptr) wcscpy(slash + 1, L"runtime-installed");
    *version = nullptr;
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return 0;
    static const char kText[] = "120.0.2210.91";
#elif defined(FAKE_LOADER_VERSION) || defined(FAKE_LOADER_MARKER)
    static const char kText[] = "120.0.2210.91";
#else
    static const char kText[] = "";
#endif
    *version = Allocate(sizeof kText);
    for (std::size_t i = 0; i < sizeof kText; ++i) (*version)[i] = static_cast<TChar>(kText[i]);
    return 0;
}
#else
FAKE_EXPORT std::int32_t FAKE_CALL SomethingElse() {
    return 1;
}
#endif
