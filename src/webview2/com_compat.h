#pragma once

// The COM basics the WebView2 declarations stand on: the system's own on Windows, a small
// equivalent elsewhere (strings as UTF-16 code units, as on Windows), so the same
// declarations compile, and the browser control's logic runs, on every platform.

#include <cstdint>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>

#include <objbase.h>
#include <objidl.h>
#include <oaidl.h>

#include <eventtoken.h>
#else
#include <cstring>

namespace vellum::webview2 {

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using BOOL = std::int32_t;
using INT = int;
using UINT = unsigned int;
using UINT32 = std::uint32_t;
using UINT64 = std::uint64_t;
using INT64 = std::int64_t;
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using PCWSTR = const WCHAR*;
using HWND = void*;

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
inline bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
using IID = GUID;
using REFIID = const IID&;

struct RECT {
    LONG left, top, right, bottom;
};
struct POINT {
    LONG x, y;
};
struct EventRegistrationToken {
    INT64 value;
};
struct VARIANT;

#define STDMETHODCALLTYPE

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr bool SUCCEEDED(HRESULT result) { return result >= 0; }
constexpr bool FAILED(HRESULT result) { return result < 0; }

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};

// A byte stream as WebView2 passes content; only what the runtime calls is declared.
struct IStream : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) = 0;
};

inline void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size); }
inline void CoTaskMemFree(void* memory) { std::free(memory); }

}  // namespace vellum::webview2
#endif

#ifdef _WIN32
namespace vellum::webview2 {
using ::BOOL;
using ::EventRegistrationToken;
using ::GUID;
using ::HRESULT;
using ::HWND;
using ::INT;
using ::INT64;
using ::IStream;
using ::IUnknown;
using ::LPCWSTR;
using ::LPWSTR;
using ::PCWSTR;
using ::RECT;
using ::POINT;
using ::UINT;
using ::UINT32;
using ::UINT64;
using ::ULONG;
using ::VARIANT;
}  // namespace vellum::webview2
#endif
