#include "platform/win32/style_resources_win32.h"

#include <string>
#include <vector>

namespace vellum {

namespace {

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
    // Names may be numbers; both kinds are kept as FindResourceW takes them.
    auto* list = reinterpret_cast<std::vector<std::wstring>*>(names);
    list->push_back(IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : name);
    return TRUE;
}

}  // namespace

int RegisterModuleStyles(TStyleManager& manager, HMODULE module) {
    std::vector<std::wstring> names;
    EnumResourceNamesW(module, L"VCLSTYLE", CollectName, reinterpret_cast<LONG_PTR>(&names));
    int registered = 0;
    for (const std::wstring& name : names) {
        HRSRC found = FindResourceW(module, name.c_str(), L"VCLSTYLE");
        HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
        const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (bytes == nullptr) continue;
        if (manager.RegisterStyle(std::string(static_cast<const char*>(bytes), SizeofResource(module, found))))
            ++registered;
    }
    return registered;
}

void RegisterExecutableStylesOnce() {
    static const int registered = RegisterModuleStyles(StyleManager(), GetModuleHandleW(nullptr));
    (void)registered;
}

}  // namespace vellum
