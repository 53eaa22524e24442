#include "test_files.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "core/archive/zip_format.h"

namespace vellum::testing {

TTempDir::TTempDir() {
    static std::mt19937_64 random{std::random_device{}()};
    path_ = std::filesystem::temp_directory_path() / ("vellum-test-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TTempDir::~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& path, const TBytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write test file " + path.string());
}

void WriteFile(const std::filesystem::path& path, std::string_view text) {
    WriteFile(path, BytesOf(text));
}

TBytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read test file " + path.string());
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TBytes MakePeImage(const std::vector<TSection>& sections) {
    using namespace zipformat;
    constexpr std::uint32_t kPeOffset = 0x80;
    constexpr std::uint16_t kOptionalHeaderSize = 240;
    const std::uint32_t tableOffset = kPeOffset + 4 + 20 + kOptionalHeaderSize;
    std::uint32_t end = tableOffset + 40 * static_cast<std::uint32_t>(sections.size());
    for (const TSection& section : sections) end = std::max(end, section.RawOffset + section.RawSize);

    TBytes image(end);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    image[0] = 'M';
    image[1] = 'Z';
    PutU32(&image[0x3C], kPeOffset);
    PutU32(&image[kPeOffset], 0x00004550);
    PutU16(&image[kPeOffset + 4], 0x8664);
    PutU16(&image[kPeOffset + 6], static_cast<std::uint16_t>(sections.size()));
    PutU16(&image[kPeOffset + 20], kOptionalHeaderSize);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        std::uint8_t* entry = &image[tableOffset + 40 * i];
        PutU32(entry + 16, sections[i].RawSize);
        PutU32(entry + 20, sections[i].RawOffset);
    }
    return image;
}

namespace {

void PutField(TBytes& bytes, std::uint64_t offset, std::uint64_t value, unsigned size, bool bigEndian) {
    for (unsigned i = 0; i < size; ++i) {
        const unsigned shift = 8 * (bigEndian ? size - 1 - i : i);
        bytes[offset + i] = static_cast<std::uint8_t>(value >> shift);
    }
}

}  // namespace

TElfImage MakeElfImage(const std::vector<TElfSegment>& segments, const std::vector<TElfSection>& sections, bool is64,
                       bool bigEndian) {
    const std::uint64_t headerSize = is64 ? 64 : 52, phEntry = is64 ? 56 : 32, shEntry = is64 ? 64 : 40;
    const unsigned word = is64 ? 8 : 4;
    std::uint64_t dataEnd = headerSize + phEntry * segments.size();
    for (const TElfSegment& segment : segments) dataEnd = std::max(dataEnd, segment.Offset + segment.FileSize);
    for (const TElfSection& section : sections)
        if (section.Type != 8) dataEnd = std::max(dataEnd, section.Offset + section.Size);
    TElfImage image;
    image.SectionTableOffset = sections.empty() ? 0 : (dataEnd + 7) / 8 * 8;
    image.ImageEnd = sections.empty() ? dataEnd : image.SectionTableOffset + shEntry * (sections.size() + 1);

    TBytes& bytes = image.Bytes;
    bytes.resize(image.ImageEnd);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + 5);
    const auto put = [&](std::uint64_t offset, std::uint64_t value, unsigned size) {
        PutField(bytes, offset, value, size, bigEndian);
    };
    std::copy_n("\x7F" "ELF", 4, bytes.begin());
    bytes[4] = is64 ? 2 : 1;
    bytes[5] = bigEndian ? 2 : 1;
    bytes[6] = 1;
    std::fill(bytes.begin() + 7, bytes.begin() + 16, 0);
    put(16, 2, 2);                                                     // e_type: executable
    put(18, is64 ? 62 : 3, 2);                                         // e_machine
    put(20, 1, 4);                                                     // e_version
    put(24, 0x401000, word);                                           // e_entry
    put(24 + word, segments.empty() ? 0 : headerSize, word);           // e_phoff
    put(24 + 2 * word, image.SectionTableOffset, word);               // e_shoff
    put(24 + 3 * word, 0, 4);                                          // e_flags
    put(28 + 3 * word, headerSize, 2);                                 // e_ehsize
    put(30 + 3 * word, phEntry, 2);                                    // e_phentsize
    put(32 + 3 * word, segments.size(), 2);                           // e_phnum
    put(34 + 3 * word, shEntry, 2);                                    // e_shentsize
    put(36 + 3 * word, sections.empty() ? 0 : sections.size() + 1, 2);  // e_shnum
    put(38 + 3 * word, 0, 2);                                          // e_shstrndx
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const std::uint64_t entry = headerSize + i * phEntry;
        put(entry, 1, 4);  // PT_LOAD
        if (is64) {
            put(entry + 8, segments[i].Offset, 8);
            put(entry + 32, segments[i].FileSize, 8);
        } else {
            put(entry + 4, segments[i].Offset, 4);
            put(entry + 16, segments[i].FileSize, 4);
        }
    }
    if (!sections.empty()) {
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(image.SectionTableOffset),
                  bytes.begin() + static_cast<std::ptrdiff_t>(image.SectionTableOffset + shEntry), 0);
        for (std::size_t i = 0; i < sections.size(); ++i) {
            const std::uint64_t entry = image.SectionTableOffset + (i + 1) * shEntry;
            put(entry + 4, sections[i].Type, 4);
            put(entry + (is64 ? 24 : 16), sections[i].Offset, word);
            put(entry + (is64 ? 32 : 20), sections[i].Size, word);
        }
    }
    return image;
}

TBytes PseudoRandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    TBytes bytes(count);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

}  // namespace vellum::testing
