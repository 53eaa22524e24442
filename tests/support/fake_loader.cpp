// Stand-ins for the WebView2 loader library, for the runtime-present check. Built three ways:
//   FAKE_LOADER_VERSION defined: the export answers that version;
//   FAKE_LOADER_EMPTY defined:   the export answers an empty string;
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

#if defined(FAKE_LOADER_VERSION) || defined(FAKE_LOADER_EMPTY)
FAKE_EXPORT std::int32_t FAKE_CALL GetAvailableCoreWebView2BrowserVersionString(const TChar*, TChar** version) {
#ifdef FAKE_LOADER_VERSION
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
