#include "core/archive/zip_crypto.h"

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

}  // namespace vellum
