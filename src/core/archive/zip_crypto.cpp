#include "core/archive/zip_crypto.h"

#include <zlib.h>

#include <algorithm>
#include <array>

namespace vellum {

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

inline std::uint32_t Crc32Step(std::uint32_t crc, std::uint8_t byte) {
    return kCrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

struct Keys {
    std::uint32_t k0, k1, k2;

    inline void Update(std::uint8_t plain) {
        k0 = Crc32Step(k0, plain);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = Crc32Step(k2, static_cast<std::uint8_t>(k1 >> 24));
    }

    inline std::uint8_t StreamByte() const {
        const std::uint32_t temp = (k2 | 2) & 0xFFFF;
        return static_cast<std::uint8_t>((temp * (temp ^ 1)) >> 8);
    }
};

}  // namespace

TZipCipher::TZipCipher(std::string_view password) {
    Keys keys{key0_, key1_, key2_};
    for (const char c : password) keys.Update(static_cast<std::uint8_t>(c));
    key0_ = keys.k0, key1_ = keys.k1, key2_ = keys.k2;
}

void TZipCipher::Decrypt(std::uint8_t* bytes, std::size_t count) {
    Keys keys{key0_, key1_, key2_};
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t plain = bytes[i] ^ keys.StreamByte();
        keys.Update(plain);
        bytes[i] = plain;
    }
    key0_ = keys.k0, key1_ = keys.k1, key2_ = keys.k2;
}

void TZipCipher::Encrypt(std::uint8_t* bytes, std::size_t count) {
    Keys keys{key0_, key1_, key2_};
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t plain = bytes[i];
        bytes[i] = plain ^ keys.StreamByte();
        keys.Update(plain);
    }
    key0_ = keys.k0, key1_ = keys.k1, key2_ = keys.k2;
}

std::uint32_t ShiftCrc32ThroughZeros(std::uint32_t value, std::uint64_t count) {
    // Shifting by a and then by b is shifting by a + b; 2^30 fits a 32-bit signed z_off_t.
    constexpr std::uint64_t kStep = std::uint64_t{1} << 30;
    while (count > 0) {
        const std::uint64_t step = std::min(count, kStep);
        value = static_cast<std::uint32_t>(::crc32_combine(value, 0, static_cast<z_off_t>(step)));
        count -= step;
    }
    return value;
}

std::uint32_t Crc32FromKey0(std::uint32_t keyBefore, std::uint32_t keyAfter, std::uint64_t count) {
    // The first key ran the CRC-32 register over the plain bytes from its own start value, where
    // crc32 starts from all ones. The register is affine in its start value, so the two runs
    // differ by the difference of the start values carried through the bytes as zeros.
    return ~(keyAfter ^ ShiftCrc32ThroughZeros(keyBefore ^ 0xFFFFFFFFu, count));
}

}  // namespace vellum
