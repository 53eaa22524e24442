#include <windows.h>

#include "core/errors.h"
#include "core/system/mapped_file.h"
#include "core/text/utf.h"

namespace vellum {

namespace {

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string message;
    if (length != 0 && text != nullptr) message.assign(reinterpret_cast<const char16_t*>(text), length);
    LocalFree(text);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' || message.back() == u' '))
        message.pop_back();
    return message.empty() ? "System error " + std::to_string(code) : Utf16ToUtf8(message);
}

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& path, DWORD code) {
    throw EFileError("Cannot " + what + " file \"" + PathToUtf8(path) + "\". " + SystemMessage(code));
}

struct THandle {
    HANDLE Value;
    ~THandle() {
        if (Value != nullptr && Value != INVALID_HANDLE_VALUE) CloseHandle(Value);
    }
};

}  // namespace

TMappedFile::TMappedFile(const std::filesystem::path& path, std::int64_t offset) {
    // Shared as a plain read would be. While a view exists, Windows refuses to cut the file.
    const THandle file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.Value == INVALID_HANDLE_VALUE) Fail("open", path, GetLastError());
    LARGE_INTEGER length{};
    if (GetFileType(file.Value) != FILE_TYPE_DISK || !GetFileSizeEx(file.Value, &length) || offset < 0 ||
        offset > length.QuadPart)
        throw EFileError("Cannot map file \"" + PathToUtf8(path) + "\" from byte " + std::to_string(offset) +
                         ": it is not a file of that length");
    const std::int64_t size = length.QuadPart;
    if (offset == size) return;  // nothing to map; a mapping of an empty range is refused

    const THandle mapping{CreateFileMappingW(file.Value, nullptr, PAGE_READONLY, 0, 0, nullptr)};
    if (mapping.Value == nullptr) Fail("map", path, GetLastError());
    // Views start at the allocation granularity; the bytes before the offset are never read.
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const std::int64_t start = offset - offset % static_cast<std::int64_t>(system.dwAllocationGranularity);
    viewSize_ = static_cast<std::size_t>(size - start);
    void* view = MapViewOfFile(mapping.Value, FILE_MAP_READ, static_cast<DWORD>(static_cast<std::uint64_t>(start) >> 32),
                               static_cast<DWORD>(start & 0xFFFFFFFF), viewSize_);
    if (view == nullptr) Fail("map", path, GetLastError());
    view_ = view;  // the view keeps the mapping and the file open
    Reset(static_cast<const std::uint8_t*>(view_) + (offset - start), size - offset);
}

TMappedFile::~TMappedFile() {
    if (view_ != nullptr) UnmapViewOfFile(view_);
}

}  // namespace vellum
