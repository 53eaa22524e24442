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
    // and after the data gives the data's CRC-32 without a second pass (see zip_archive.cpp).
    std::uint32_t Key0() const { return key0_; }

private:
    std::uint32_t key0_ = 0x12345678;
    std::uint32_t key1_ = 0x23456789;
    std::uint32_t key2_ = 0x34567890;
};

}  // namespace vellum
