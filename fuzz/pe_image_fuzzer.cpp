// The end of a program image from arbitrary header bytes: nothing or a number, never a read
// outside the bytes given.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/archive/pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vellum::ComputePeImageEnd(std::span<const std::uint8_t>(data, size));
    return 0;
}
