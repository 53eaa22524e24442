#include <windows.h>

#include <string>

#include "platform/trace_file.h"

namespace vellum {

std::optional<std::filesystem::path> TraceFilePath() {
    // Read as UTF-16: a narrow read would pass the path through the ANSI code page.
    const DWORD length = GetEnvironmentVariableW(L"VELLUM_TRACE", nullptr, 0);
    if (length <= 1) return std::nullopt;
    std::wstring value(length, L'\0');
    const DWORD copied = GetEnvironmentVariableW(L"VELLUM_TRACE", value.data(), length);
    if (copied == 0 || copied >= length) return std::nullopt;
    value.resize(copied);
    return std::filesystem::path(value);
}

}  // namespace vellum
