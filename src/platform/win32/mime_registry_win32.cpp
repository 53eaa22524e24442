#include <windows.h>

#include "core/system/mime_registry.h"
#include "core/text/ascii_case.h"
#include "core/text/utf.h"

namespace vellum {

namespace {

std::string Narrow(const std::wstring& text) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// A REG_SZ value of an open key; empty when missing or not a string.
std::wstring ReadString(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ || size == 0)
        return {};
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS)
        return {};
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

// Calls visit(subkeyName, openedSubkey) for every subkey of root\path that opens read-only.
template <typename Visit>
void ForEachSubkey(HKEY root, const wchar_t* path, Visit visit) {
    HKEY parent = nullptr;
    if (RegOpenKeyExW(root, path[0] != L'\0' ? path : nullptr, 0, KEY_READ, &parent) != ERROR_SUCCESS) return;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        const LONG status = RegEnumKeyExW(parent, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;  // a name too long for the buffer: skipped
        HKEY child = nullptr;
        if (RegOpenKeyExW(parent, name, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        visit(std::wstring(name, length), child);
        RegCloseKey(child);
    }
    RegCloseKey(parent);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> SystemMimeTypeSettings() {
    std::vector<std::pair<std::string, std::string>> settings;
    ForEachSubkey(HKEY_CLASSES_ROOT, L"", [&](const std::wstring& name, HKEY key) {
        if (name.empty() || name[0] != L'.') return;
        const std::wstring type = ReadString(key, L"Content Type");
        if (!type.empty()) settings.emplace_back(FoldAsciiCase(Narrow(name)), FoldAsciiCase(Narrow(type)));
    });
    ForEachSubkey(HKEY_CLASSES_ROOT, L"MIME\\Database\\Content Type", [&](const std::wstring& name, HKEY key) {
        std::string extension = FoldAsciiCase(Narrow(ReadString(key, L"Extension")));
        if (extension.empty()) return;
        if (extension[0] != '.') extension.insert(extension.begin(), '.');
        settings.emplace_back(extension, FoldAsciiCase(Narrow(name)));
    });
    return settings;
}

}  // namespace vellum
