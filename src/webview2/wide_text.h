#pragma once

#include <string>
#include <string_view>

#include "webview2/com_compat.h"

namespace vellum::webview2 {

// Text crossing the WebView2 boundary: UTF-16 there, UTF-8 everywhere else.
class TWideText {
public:
    explicit TWideText(std::string_view utf8);
    LPCWSTR Get() const { return reinterpret_cast<LPCWSTR>(text_.c_str()); }

private:
    std::u16string text_;
};

// The UTF-8 form of a runtime string; "" for none.
std::string FromWide(LPCWSTR text);
// Converts a string the runtime allocated and frees it with CoTaskMemFree.
std::string TakeWideString(LPWSTR text);
// A copy allocated with CoTaskMemAlloc, as the runtime hands out strings.
LPWSTR NewWideString(std::string_view utf8);

}  // namespace vellum::webview2
