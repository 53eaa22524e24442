#pragma once

// The CRC-32 shift through long runs of zeros, checked against zlib's crc32 itself, without a
// buffer of gigabytes: shared by the native and the Windows tests, since the shift's count is
// 32 bits wide in zlib on Windows only.

#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <cstdint>
#include <vector>

#include "core/archive/zip_crypto.h"

namespace vellum::testing {

// The CRC-32 register carried through `count` zero bytes, from crc32 over zeros only: the
// register through one mebibyte of zeros is linear in its start, so it is taken once for each
// of the 32 start bits and then applied as often as the count needs.
inline std::uint32_t ShiftThroughZerosByCrc32(std::uint32_t value, std::uint64_t count) {
    constexpr std::size_t kBlock = 1 << 20;
    static const std::vector<std::uint8_t> zeros(kBlock, 0);
    // crc32 starts from and ends with the complement of the register.
    const auto throughZeros = [](std::uint32_t start, std::size_t length) {
        return ~static_cast<std::uint32_t>(::crc32(~start & 0xFFFFFFFFu, zeros.data(), static_cast<uInt>(length)));
    };
    static const std::array<std::uint32_t, 32> block = [&] {
        std::array<std::uint32_t, 32> columns{};
        for (int bit = 0; bit < 32; ++bit) columns[bit] = throughZeros(std::uint32_t{1} << bit, kBlock);
        return columns;
    }();
    for (std::uint64_t blocks = count / kBlock; blocks > 0; --blocks) {
        std::uint32_t next = 0;
        for (int bit = 0; bit < 32; ++bit)
            if (value >> bit & 1) next ^= block[bit];
        value = next;
    }
    return throughZeros(value, static_cast<std::size_t>(count % kBlock));
}

inline void ExpectShiftMatchesCrc32OverZeros() {
    const std::uint64_t counts[] = {0,         1,           1000,        (1u << 20) + 3, 1u << 30,
                                    0x7FFFFFFF, 0x80000000, 0x80003039, 0xC0000001,     0xFFFFFFFF};
    for (const std::uint64_t count : counts) {
        for (const std::uint32_t value : {0xDEADBEEFu, 1u, 0x80000000u}) {
            SCOPED_TRACE(::testing::Message() << "count " << count << ", value " << value);
            EXPECT_EQ(ShiftCrc32ThroughZeros(value, count), ShiftThroughZerosByCrc32(value, count));
        }
    }
}

}  // namespace vellum::testing
