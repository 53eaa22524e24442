#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellum {

// Traditional PKWARE encryption ("ZipCrypto"): three 32-bit keys updated by every plain
// byte. A serial chain by design, so the loops below keep the keys in locals.
class TZipCipher {
public:
    static constexpr std::size_t kHeaderSize = 12;

    explicit TZipCipher(std::string_view password);

    void Decrypt(std::uint8_t* bytes, std::size_t count);
    void Encrypt(std::uint8_t* bytes, std::size_t count);

    // The first key is a CRC-32 register run over every plain byte so far; knowing it before
    // and after the data gives the data's CRC-32 without a second pass (Crc32FromKey0).
    std::uint32_t Key0() const { return key0_; }

private:
    std::uint32_t key0_ = 0x12345678;
    std::uint32_t key1_ = 0x23456789;
    std::uint32_t key2_ = 0x34567890;
};

// The CRC-32 register `value` carried through `count` zero bytes: value times x^(8 count),
// modulo the CRC polynomial. zlib's crc32_combine computes this, but takes the count as a
// z_off_t, which mingw-w64 makes 32 bits: from 2 GiB on the count turns negative and zlib never
// returns. So the count is handed over in steps that every z_off_t holds.
std::uint32_t ShiftCrc32ThroughZeros(std::uint32_t value, std::uint64_t count);

// The CRC-32 of `count` plain bytes that took the first key from `keyBefore` to `keyAfter`.
std::uint32_t Crc32FromKey0(std::uint32_t keyBefore, std::uint32_t keyAfter, std::uint64_t count);

}  // namespace vellum
