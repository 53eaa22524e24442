#include <windows.h>

#include "core/text/utf.h"
#include "platform/dynamic_library.h"

namespace vellum {

bool TDynamicLibrary::Load(const std::string& path) {
    Unload();
    const std::u16string wide = Utf8ToUtf16(path);
    handle_ = LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
    return handle_ != nullptr;
}

void TDynamicLibrary::Unload() {
    if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

void* TDynamicLibrary::Symbol(const char* name) const {
    if (handle_ == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace vellum
