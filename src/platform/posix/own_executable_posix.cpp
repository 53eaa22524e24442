#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/archive/elf_image.h"
#include "core/errors.h"
#include "core/system/own_executable.h"

namespace vellum {

namespace {

// The end of the running program's ELF image, by the headers of its own file (the mapped
// image does not keep the section header table). A file whose headers cannot be read, or
// whose image end does not fit the 32 bits the archive rule works with, is taken to carry no
// archive: the end is then past any file the runtime could be.
std::uint32_t ElfImageEnd(const std::filesystem::path& path) {
    try {
        const auto end = ComputeElfImageEndOfFile(path);
        if (!end || *end > UINT32_MAX) return UINT32_MAX;
        return static_cast<std::uint32_t>(*end);
    } catch (const EVellumError&) {
        return UINT32_MAX;
    }
}

class TRunningPosixExecutable final : public IOwnExecutable {
public:
    std::filesystem::path Path() const override { return std::filesystem::read_symlink("/proc/self/exe"); }
    std::uint32_t ImageEnd() const override { return ElfImageEnd(Path()); }
    [[noreturn]] void ReportNoArchiveAndExit() const override {
        std::fputs("Error: This is not a valid Windows application\n", stderr);
        std::exit(0);
    }
};

}  // namespace

const IOwnExecutable& RunningExecutable() {
    static const TRunningPosixExecutable executable;
    return executable;
}

}  // namespace vellum
