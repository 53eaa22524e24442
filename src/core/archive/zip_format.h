#pragma once

#include <cstdint>

namespace vellum::zipformat {

// Record signatures and sizes of the PKWARE APPNOTE.
constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kEndOfCentralDirectorySignature = 0x06054B50;
constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50;
constexpr std::uint32_t kLocalHeaderSize = 30;
constexpr std::uint32_t kCentralHeaderSize = 46;
constexpr std::uint32_t kEndOfCentralDirectorySize = 22;
constexpr std::uint32_t kMaxCommentSize = 0xFFFF;

constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;

constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflate = 8;

inline std::uint16_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace vellum::zipformat
