#include "test_files.h"

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

TBytes PseudoRandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    TBytes bytes(count);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

}  // namespace vellum::testing
