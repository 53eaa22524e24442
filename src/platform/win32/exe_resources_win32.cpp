// Resource editing of a packaged executable: its main icon and its version-information texts.
#include <windows.h>

#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "core/archive/exe_utils.h"
#include "core/errors.h"
#include "core/resources/icon_file.h"
#include "core/resources/version_info.h"
#include "core/text/utf.h"

namespace vellum {

namespace {


[[noreturn]] void Fail(const char* message) {
    throw EVellumError(message);
}

bool IsWindowsNt() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExW(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
}

std::vector<BYTE> ReadIconFile(const std::filesystem::path& icoPath) {
    HANDLE file = CreateFileW(icoPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw EFileError("Cannot open file \"" + PathToUtf8(icoPath) + "\"");
    LARGE_INTEGER size{};
    std::vector<BYTE> bytes;
    bool ok = GetFileSizeEx(file, &size) != 0;
    if (ok && static_cast<std::uint64_t>(size.QuadPart) > kMaxIconFileSize) {
        CloseHandle(file);
        Fail("Icon file is too large");
    }
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        ok = bytes.empty() ||
             (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size());
    }
    CloseHandle(file);
    if (!ok) throw EFileError("Cannot read file \"" + PathToUtf8(icoPath) + "\"");
    return bytes;
}

BOOL CALLBACK TakeFirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    *reinterpret_cast<std::optional<WORD>*>(found) = language;
    return FALSE;  // the first one is enough
}

std::optional<WORD> FirstLanguage(HMODULE module, LPCWSTR type, LPCWSTR name) {
    std::optional<WORD> language;
    EnumResourceLanguagesW(module, type, name, TakeFirstLanguage, reinterpret_cast<LONG_PTR>(&language));
    return language;
}

// Owns a pending resource update and a data-file view of the same executable: on any error
// the view is freed and the update discarded, so the executable stays as it was.
class TResourceEdit {
public:
    ~TResourceEdit() {
        if (module_ != nullptr) FreeLibrary(module_);
        if (update_ != nullptr) EndUpdateResourceW(update_, TRUE);
    }
    HANDLE update_ = nullptr;
    HMODULE module_ = nullptr;
};

}  // namespace

void TExeUtils::ChangeExeIcon(const std::filesystem::path& exePath, const std::filesystem::path& icoPath) {
    if (!IsWindowsNt()) Fail("Only supported on Windows NT and above");
    const std::vector<BYTE> icon = ReadIconFile(icoPath);
    const auto images = ParseIconFile(icon);
    if (!images) Fail("Icon file is invalid");

    TResourceEdit edit;
    edit.update_ = BeginUpdateResourceW(exePath.c_str(), FALSE);
    if (edit.update_ == nullptr) Fail("BeginUpdateResource failed (1)");
    edit.module_ = LoadLibraryExW(exePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (edit.module_ == nullptr) Fail("LoadLibraryEx failed (1)");
    HRSRC groupResource = FindResourceW(edit.module_, L"MAINICON", RT_GROUP_ICON);
    if (groupResource == nullptr) Fail("FindResource failed (1)");
    HGLOBAL groupData = LoadResource(edit.module_, groupResource);
    if (groupData == nullptr) Fail("LoadResource failed (1)");
    const auto* oldGroup = static_cast<const BYTE*>(LockResource(groupData));
    if (oldGroup == nullptr) Fail("LockResource failed (1)");
    const DWORD oldGroupSize = SizeofResource(edit.module_, groupResource);

    const auto groupLanguage = FirstLanguage(edit.module_, RT_GROUP_ICON, L"MAINICON");
    if (!groupLanguage) Fail("GetResourceLanguage failed (1)");
    if (!UpdateResourceW(edit.update_, RT_GROUP_ICON, L"MAINICON", *groupLanguage, nullptr, 0))
        Fail("UpdateResource failed (1)");

    const std::vector<std::uint16_t> oldIds = IconGroupIds({oldGroup, oldGroupSize});
    for (const std::uint16_t id : oldIds) {
        const auto language = FirstLanguage(edit.module_, RT_ICON, MAKEINTRESOURCEW(id));
        if (!language) Fail("GetResourceLanguage failed (2)");
        if (!UpdateResourceW(edit.update_, RT_ICON, MAKEINTRESOURCEW(id), *language, nullptr, 0))
            Fail("UpdateResource failed (2)");
    }

    std::vector<BYTE> newGroup = BuildIconGroup({oldGroup, oldGroupSize}, *images);
    for (std::size_t i = 0; i < images->size(); ++i) {
        const TIconImage& image = (*images)[i];
        if (!UpdateResourceW(edit.update_, RT_ICON, MAKEINTRESOURCEW(kFirstNewIconId + i), kNewIconLanguage,
                             const_cast<BYTE*>(&icon[image.Offset]), image.Size))
            Fail("UpdateResource failed (3)");
    }
    if (!UpdateResourceW(edit.update_, RT_GROUP_ICON, L"MAINICON", kNewIconLanguage, newGroup.data(),
                         static_cast<DWORD>(newGroup.size())))
        Fail("UpdateResource failed (4)");

    FreeLibrary(edit.module_);
    edit.module_ = nullptr;
    const HANDLE update = edit.update_;
    edit.update_ = nullptr;
    if (!EndUpdateResourceW(update, FALSE)) Fail("EndUpdateResource failed");
}

bool TExeUtils::UpdateExeInfo(const std::filesystem::path& exePath, const std::string& CompanyName,
                              const std::string& FileDescription, const std::string& FileVersion,
                              const std::string& InternalName, const std::string& LegalCopyright,
                              const std::string& LegalTrademarks, const std::string& OriginalFileName,
                              const std::string& ProgramID, const std::string& ProductName,
                              const std::string& ProductVersion, const std::string& Comments) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(exePath, error)) return false;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(exePath.c_str(), &handle);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(exePath.c_str(), 0, size, block.data())) return false;

    struct TTranslation {
        WORD Language, CodePage;
    };
    TTranslation* translations = nullptr;
    UINT translationsSize = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                        &translationsSize))
        translationsSize = 0;

    const std::array<std::pair<const wchar_t*, const std::string*>, 11> values = {{
        {L"CompanyName", &CompanyName},
        {L"FileDescription", &FileDescription},
        {L"FileVersion", &FileVersion},
        {L"InternalName", &InternalName},
        {L"LegalCopyright", &LegalCopyright},
        {L"LegalTrademarks", &LegalTrademarks},
        {L"OriginalFileName", &OriginalFileName},
        {L"ProgramID", &ProgramID},
        {L"ProductName", &ProductName},
        {L"ProductVersion", &ProductVersion},
        {L"Comments", &Comments},
    }};
    const BYTE* blockEnd = block.data() + block.size();
    for (UINT t = 0; t < translationsSize / sizeof(TTranslation); ++t) {
        wchar_t key[9];
        swprintf(key, 9, L"%04X%04X", translations[t].Language, translations[t].CodePage);
        for (const auto& [name, text] : values) {
            const std::wstring query = std::wstring(L"\\StringFileInfo\\") + key + L"\\" + name;
            wchar_t* room = nullptr;
            UINT length = 0;  // characters, the terminating zero included
            if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&room), &length) || length == 0)
                continue;
            // Never write outside the block, whatever the block claims.
            if (reinterpret_cast<BYTE*>(room) < block.data() || reinterpret_cast<BYTE*>(room + length) > blockEnd)
                continue;
            // Cut by whole characters: half a surrogate pair would be an ill-formed text.
            const std::u16string value = CutToRoom(Utf8ToUtf16(*text), length - 1);
            std::memset(room, 0, length * sizeof(wchar_t));
            std::memcpy(room, value.data(), value.size() * sizeof(wchar_t));
        }
    }

    // The system's buffer is several times the block (room for its own text conversions, and
    // a signature after the block): only the block itself is stored, or every rewrite of a
    // rewritten file would store a buffer sized from the last one, growing without end.
    const DWORD stored = static_cast<DWORD>(VersionBlockSize(block));
    HANDLE update = BeginUpdateResourceW(exePath.c_str(), FALSE);
    if (update == nullptr) return false;
    if (!UpdateResourceW(update, RT_VERSION, MAKEINTRESOURCEW(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                         block.data(), stored)) {
        EndUpdateResourceW(update, TRUE);
        return false;
    }
    return EndUpdateResourceW(update, FALSE) != 0;
}

}  // namespace vellum
