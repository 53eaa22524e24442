#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vellum::testing {

using TBytes = std::vector<std::uint8_t>;

inline TBytes BytesOf(std::string_view text) {
    return TBytes(text.begin(), text.end());
}

// A folder of its own under the system's temporary folder, removed with everything in it.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, const TBytes& bytes);
void WriteFile(const std::filesystem::path& path, std::string_view text);
TBytes ReadFile(const std::filesystem::path& path);

// A minimal PE image: DOS header, PE signature, COFF header, an optional header of 240 bytes
// and one section table entry per (raw offset, raw size) pair; the file is padded with a
// recognisable pattern up to the largest raw-data end.
struct TSection {
    std::uint32_t RawOffset;
    std::uint32_t RawSize;
};
TBytes MakePeImage(const std::vector<TSection>& sections);

// A minimal ELF file: the ELF header, the program header table right after it, the segments'
// and sections' data where their entries say, and the section header table (with its null
// section 0) after the furthest of them, as a linker lays it out. The bytes are padded with a
// recognisable pattern; `ImageEnd` is where the file's own contents end.
struct TElfSegment {
    std::uint64_t Offset;
    std::uint64_t FileSize;
};
struct TElfSection {
    std::uint32_t Type;  // 1 SHT_PROGBITS, 8 SHT_NOBITS (no file space), ...
    std::uint64_t Offset;
    std::uint64_t Size;
};
struct TElfImage {
    TBytes Bytes;
    std::uint64_t ImageEnd = 0;
    std::uint64_t SectionTableOffset = 0;  // 0 when there are no sections
};
TElfImage MakeElfImage(const std::vector<TElfSegment>& segments, const std::vector<TElfSection>& sections,
                       bool is64 = true, bool bigEndian = false);

// Deterministic pseudo-random bytes, so failures can be reproduced.
TBytes PseudoRandomBytes(std::size_t count, std::uint32_t seed);

}  // namespace vellum::testing
