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

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
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

using DWORD = std::uint32_t;
struct LARGE_INTEGER {
    std::int64_t QuadPart;
};
struct ULARGE_INTEGER {
    std::uint64_t QuadPart;
};
struct STATSTG;
constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;
constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<HRESULT>(0x80030001);
constexpr HRESULT STG_E_CANTSAVE = static_cast<HRESULT>(0x80030103);

// A byte stream as WebView2 passes content, with the slots of the system's IStream.
struct IStream : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) = 0;
    virtual HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                             ULARGE_INTEGER* written) = 0;
    virtual HRESULT STDMETHODCALLTYPE Commit(DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Revert() = 0;
    virtual HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stat(STATSTG* statistics, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IStream** clone) = 0;
};

inline constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID IID_IStream = {0x0000000c, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

inline void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size); }
inline void CoTaskMemFree(void* memory) { std::free(memory); }

// COM apartments, one per thread, as far as WebView2's threading rules need them: a thread
// joins a single-threaded (STA) or the multithreaded apartment (MTA) with CoInitializeEx, and
// leaves it after as many CoUninitialize calls as successful CoInitializeEx calls.
constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);
constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106);
constexpr HRESULT RPC_E_WRONG_THREAD = static_cast<HRESULT>(0x8001010E);

enum APTTYPE : int { APTTYPE_CURRENT = -1, APTTYPE_STA = 0, APTTYPE_MTA = 1, APTTYPE_NA = 2, APTTYPE_MAINSTA = 3 };
enum APTTYPEQUALIFIER : int { APTTYPEQUALIFIER_NONE = 0, APTTYPEQUALIFIER_IMPLICIT_MTA = 1 };

namespace detail {
struct TApartment {
    int Initialised = 0;  // successful CoInitializeEx calls not yet undone
    DWORD Model = COINIT_MULTITHREADED;
};
inline thread_local TApartment CallingThreadApartment;
}  // namespace detail

// S_OK: the thread joins the apartment; S_FALSE: it already is in it; RPC_E_CHANGED_MODE: it is
// in the other kind. Flags other than the threading model are ignored.
inline HRESULT CoInitializeEx(void* reserved, DWORD coInit) {
    if (reserved != nullptr) return E_INVALIDARG;
    const DWORD model = coInit & COINIT_APARTMENTTHREADED;
    detail::TApartment& apartment = detail::CallingThreadApartment;
    if (apartment.Initialised > 0) {
        if (apartment.Model != model) return RPC_E_CHANGED_MODE;
        ++apartment.Initialised;
        return S_FALSE;
    }
    apartment.Model = model;
    apartment.Initialised = 1;
    return S_OK;
}
inline void CoUninitialize() {
    if (detail::CallingThreadApartment.Initialised > 0) --detail::CallingThreadApartment.Initialised;
}
// OLE needs a single-threaded apartment.
inline HRESULT OleInitialize(void* reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }
inline void OleUninitialize() { CoUninitialize(); }
// The calling thread's apartment; CO_E_NOTINITIALIZED when it is in none.
inline HRESULT CoGetApartmentType(APTTYPE* type, APTTYPEQUALIFIER* qualifier) {
    if (type == nullptr || qualifier == nullptr) return E_INVALIDARG;
    *type = APTTYPE_CURRENT;
    *qualifier = APTTYPEQUALIFIER_NONE;
    const detail::TApartment& apartment = detail::CallingThreadApartment;
    if (apartment.Initialised == 0) return CO_E_NOTINITIALIZED;
    *type = apartment.Model == COINIT_APARTMENTTHREADED ? APTTYPE_STA : APTTYPE_MTA;
    return S_OK;
}

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
using ::DWORD;
using ::LARGE_INTEGER;
using ::ULARGE_INTEGER;
using ::STATSTG;
using ::IID_IUnknown;
using ::IID_IStream;
// The system's apartments (the stand-in above is for other platforms).
using ::APTTYPE;
using ::APTTYPEQUALIFIER;
using ::CoGetApartmentType;
using ::CoInitializeEx;
using ::CoUninitialize;
}  // namespace vellum::webview2
#endif
