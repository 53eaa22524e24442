#include <windows.h>

#include <cstdlib>
#include <span>
#include <string>

#include "core/archive/pe_image.h"
#include "core/system/own_executable.h"

namespace vellum {

namespace {

class TRunningWindowsExecutable final : public IOwnExecutable {
public:
    std::filesystem::path Path() const override {
        std::wstring buffer(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length < buffer.size()) {
                buffer.resize(length);
                return std::filesystem::path(buffer);
            }
            buffer.resize(buffer.size() * 2);
        }
    }

    std::uint32_t ImageEnd() const override {
        // The headers and the section table are mapped at the module's base; the region the
        // loader mapped for them bounds what may be read.
        const auto* base = reinterpret_cast<const std::uint8_t*>(GetModuleHandleW(nullptr));
        MEMORY_BASIC_INFORMATION region{};
        if (VirtualQuery(base, &region, sizeof region) == 0) return 0;
        const std::size_t readable = static_cast<const std::uint8_t*>(region.BaseAddress) + region.RegionSize - base;
        return ComputePeImageEnd(std::span<const std::uint8_t>(base, readable)).value_or(0);
    }

    [[noreturn]] void ReportNoArchiveAndExit() const override {
        MessageBoxW(GetActiveWindow(), L"This is not a valid Windows application", L"Error", MB_OK | MB_ICONERROR);
        std::exit(0);
    }
};

}  // namespace

const IOwnExecutable& RunningExecutable() {
    static const TRunningWindowsExecutable executable;
    return executable;
}

}  // namespace vellum
