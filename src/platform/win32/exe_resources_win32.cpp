// Resource editing of a packaged executable: its main icon and its version-information texts.
#include <windows.h>

#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "core/archive/exe_utils.h"
#include "core/errors.h"
#include "core/text/utf.h"

namespace vellum {

namespace {

constexpr DWORD kMaxIconFileSize = 1048576;
constexpr WORD kNewIconLanguage = 1033;
constexpr WORD kFirstNewIconId = 100;

#pragma pack(push, 1)
struct TIconDirEntry {  // in the icon file
    BYTE Width, Height, ColorCount, Reserved;
    WORD Planes, BitCount;
    DWORD BytesInRes, ImageOffset;
};
struct TGroupIconEntry {  // in the group icon resource
    BYTE Width, Height, ColorCount, Reserved;
    WORD Planes, BitCount;
    DWORD BytesInRes;
    WORD Id;
};
#pragma pack(pop)
static_assert(sizeof(TIconDirEntry) == 16 && sizeof(TGroupIconEntry) == 14);

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
    if (ok && size.QuadPart > kMaxIconFileSize) {
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

// The image entries of a valid icon file; nothing when the file is not one.
std::optional<std::vector<TIconDirEntry>> IconEntries(const std::vector<BYTE>& file) {
    if (file.size() < 6 || (file[0] == 'M' && file[1] == 'Z')) return std::nullopt;
    WORD count;
    std::memcpy(&count, &file[4], sizeof count);
    if (file.size() < 6 + std::size_t{16} * count) return std::nullopt;
    std::vector<TIconDirEntry> entries(count);
    if (count > 0) std::memcpy(entries.data(), &file[6], std::size_t{16} * count);
    for (const TIconDirEntry& entry : entries) {
        const std::uint64_t end = std::uint64_t{entry.ImageOffset} + entry.BytesInRes;
        if (end > 0xFFFFFFFFull || end > file.size()) return std::nullopt;
    }
    return entries;
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
    const auto images = IconEntries(icon);
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

    // A damaged group lists no more entries than its bytes hold.
    WORD oldCount = 0;
    if (oldGroupSize >= 6) std::memcpy(&oldCount, oldGroup + 4, sizeof oldCount);
    oldCount = static_cast<WORD>(std::min<DWORD>(oldCount, oldGroupSize >= 6 ? (oldGroupSize - 6) / 14 : 0));
    for (WORD i = 0; i < oldCount; ++i) {
        TGroupIconEntry entry;
        std::memcpy(&entry, oldGroup + 6 + 14 * i, sizeof entry);
        const auto language = FirstLanguage(edit.module_, RT_ICON, MAKEINTRESOURCEW(entry.Id));
        if (!language) Fail("GetResourceLanguage failed (2)");
        if (!UpdateResourceW(edit.update_, RT_ICON, MAKEINTRESOURCEW(entry.Id), *language, nullptr, 0))
            Fail("UpdateResource failed (2)");
    }

    std::vector<BYTE> newGroup(6 + 14 * images->size());
    std::memcpy(newGroup.data(), oldGroup, std::min<DWORD>(4, oldGroupSize));  // idReserved, idType
    const WORD newCount = static_cast<WORD>(images->size());
    std::memcpy(&newGroup[4], &newCount, sizeof newCount);
    for (std::size_t i = 0; i < images->size(); ++i) {
        const TIconDirEntry& image = (*images)[i];
        TGroupIconEntry entry;
        std::memcpy(&entry, &image, 12);
        entry.Id = static_cast<WORD>(kFirstNewIconId + i);
        std::memcpy(&newGroup[6 + 14 * i], &entry, sizeof entry);
        if (!UpdateResourceW(edit.update_, RT_ICON, MAKEINTRESOURCEW(entry.Id), kNewIconLanguage,
                             const_cast<BYTE*>(&icon[image.ImageOffset]), image.BytesInRes))
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
            const std::u16string value = Utf8ToUtf16(*text);
            std::memset(room, 0, length * sizeof(wchar_t));
            std::memcpy(room, value.data(), std::min<std::size_t>(value.size(), length - 1) * sizeof(wchar_t));
        }
    }

    HANDLE update = BeginUpdateResourceW(exePath.c_str(), FALSE);
    if (update == nullptr) return false;
    if (!UpdateResourceW(update, RT_VERSION, MAKEINTRESOURCEW(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                         block.data(), static_cast<DWORD>(block.size()))) {
        EndUpdateResourceW(update, TRUE);
        return false;
    }
    return EndUpdateResourceW(update, FALSE) != 0;
}

}  // namespace vellum
