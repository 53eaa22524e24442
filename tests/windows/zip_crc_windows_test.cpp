// zlib's z_off_t is 32 bits here: the CRC-32 shift of the archive reader must still take
// counts of 2 GiB and more (a stored entry that large), and return.

#include <gtest/gtest.h>

#include "crc32_shift_cases.h"

namespace vellum {
namespace {

TEST(ZipCrcWindows, ShiftThroughZerosMatchesCrc32OverZeros) { testing::ExpectShiftMatchesCrc32OverZeros(); }

}  // namespace
}  // namespace vellum
