#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/stream/stream.h"
#include "core/system/own_executable.h"

namespace vellum {

namespace {

// The end of an ELF64 file's own content: the furthest of its section data, its program
// header table and its section header table. An archive would follow it, as on Windows.
std::uint32_t ElfImageEnd(const std::filesystem::path& path) {
    try {
        TFileStream file(path, TFileStream::TMode::OpenRead);
        unsigned char header[64];
        if (!file.ReadExact(header, sizeof header) || std::memcmp(header,
                                                                  "\x7F"
                                                                  "ELF\x02",
                                                                  5) != 0)
            return 0;
        const auto u64 = [](const unsigned char* p) {
            std::uint64_t value = 0;
            for (int i = 7; i >= 0; --i) value = value << 8 | p[i];
            return value;
        };
        const auto u16 = [](const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); };
        const std::uint64_t sectionTable = u64(header + 0x28);
        const std::uint16_t sectionEntrySize = u16(header + 0x3A);
        const std::uint16_t sectionCount = u16(header + 0x3C);
        std::uint64_t end = sectionTable + std::uint64_t{sectionEntrySize} * sectionCount;
        std::vector<unsigned char> sections(std::size_t{sectionEntrySize} * sectionCount);
        file.SetPosition(static_cast<std::int64_t>(sectionTable));
        if (sectionEntrySize >= 0x28 && file.ReadExact(sections.data(), sections.size())) {
            for (std::size_t i = 0; i < sectionCount; ++i) {
                const unsigned char* entry = &sections[i * sectionEntrySize];
                const bool noBits = entry[4] == 8;  // SHT_NOBITS occupies no file space
                if (!noBits) end = std::max(end, u64(entry + 0x18) + u64(entry + 0x20));
            }
        }
        return static_cast<std::uint32_t>(end);
    } catch (const std::exception&) {
        return 0;
    }
}

class TRunningPosixExecutable final : public IOwnExecutable {
public:
    std::filesystem::path Path() const override { return std::filesystem::read_symlink("/proc/self/exe"); }
    std::uint32_t ImageEnd() const override { return ElfImageEnd(Path()); }
    [[noreturn]] void ReportNoArchiveAndExit() const override {
        std::fputs("Error: This is not a valid Windows application\n", stderr);
        std::exit(0);
    }
};

}  // namespace

const IOwnExecutable& RunningExecutable() {
    static const TRunningPosixExecutable executable;
    return executable;
}

}  // namespace vellum
