// The end of an ELF file's own contents from arbitrary bytes taken as the whole file. Faults
// besides a crash or a read outside the bytes: an error other than the documented
// EArchiveError, and an end within the file that moves when bytes are appended (an attached
// archive must never change where the image ends).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "core/archive/elf_image.h"
#include "core/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    std::uint64_t end = 0;
    try {
        end = vellum::ComputeElfImageEnd(file);
    } catch (const vellum::EArchiveError&) {
        return 0;
    }
    if (end > size) return 0;
    std::vector<std::uint8_t> packaged(file.begin(), file.end());
    packaged.insert(packaged.end(), 300, 0x50);
    if (vellum::ComputeElfImageEnd(packaged) != end) std::abort();
    return 0;
}
