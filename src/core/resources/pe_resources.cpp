#include "core/resources/pe_resources.h"

#include <algorithm>
#include <functional>
#include <map>
#include <type_traits>

#include "core/resources/le_bytes.h"

namespace vellum {

namespace {

constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kSecurityDirectory = 4;
constexpr std::uint32_t kDebugDirectory = 6;
constexpr std::uint32_t kMaxDirectories = 16;
constexpr std::uint32_t kDiscardable = 0x02000000;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000;
// A damaged directory can list the same subdirectories over and over; past these bounds it is
// taken as damaged instead of being expanded without end.
constexpr std::size_t kMaxResources = 200000;
constexpr std::size_t kMaxEntriesVisited = 3 * kMaxResources;
constexpr std::uint64_t kMaxResourceBytes = 64ull << 20;  // the runtime has some 40 KB

bool IsPowerOfTwo(std::uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

std::uint32_t SpanOf(std::uint32_t virtualSize, std::uint32_t rawSize) {
    return virtualSize != 0 ? virtualSize : rawSize;  // what the loader maps
}

// Reads the three levels (type, name, language) of a resource directory.
class TDirectoryReader {
public:
    TDirectoryReader(std::span<const std::uint8_t> section, std::function<std::optional<std::span<const std::uint8_t>>(
                                                                std::uint32_t rva, std::uint32_t size)> data)
        : section_(section), data_(std::move(data)) {}

    std::optional<TResourceTable> Read() {
        TResourceTable table;
        if (!ReadLevel(0, 0, table)) return std::nullopt;
        return table;
    }

private:
    std::optional<TResourceKey> Key(std::uint32_t name) const {
        if ((name & kSubdirectoryFlag) == 0) {
            if (name > 0xFFFF) return std::nullopt;
            return TResourceKey::Of(static_cast<std::uint16_t>(name));
        }
        const std::uint32_t at = name & ~kSubdirectoryFlag;
        const auto length = le::U16(section_, at);
        if (!length || section_.size() - at - 2 < std::size_t{*length} * 2) return std::nullopt;
        std::u16string text(*length, u'\0');
        for (std::size_t i = 0; i < *length; ++i) text[i] = static_cast<char16_t>(*le::U16(section_, at + 2 + 2 * i));
        return TResourceKey::Of(std::move(text));
    }

    bool ReadLevel(int level, std::uint32_t at, TResourceTable& table) {
        const auto named = le::U16(section_, std::uint64_t{at} + 12);
        const auto numbered = le::U16(section_, std::uint64_t{at} + 14);
        if (!named || !numbered) return false;
        const std::size_t count = std::size_t{*named} + *numbered;
        if (section_.size() - at - 16 < count * 8) return false;
        for (std::size_t i = 0; i < count; ++i) {
            // Directories of empty subdirectories hold no resources but cost as much to walk.
            if (++visited_ > kMaxEntriesVisited) return false;
            const std::uint32_t name = *le::U32(section_, at + 16 + 8 * i);
            const std::uint32_t target = *le::U32(section_, at + 16 + 8 * i + 4);
            const auto key = Key(name);
            if (!key) return false;
            const bool subdirectory = (target & kSubdirectoryFlag) != 0;
            if (level < 2) {
                if (!subdirectory) return false;
                path_[level] = *key;
                if (!ReadLevel(level + 1, target & ~kSubdirectoryFlag, table)) return false;
                continue;
            }
            if (subdirectory || !key->Id) return false;  // languages are numbers, and hold data
            const auto rva = le::U32(section_, target);
            const auto size = le::U32(section_, std::uint64_t{target} + 4);
            const auto codePage = le::U32(section_, std::uint64_t{target} + 8);
            if (!rva || !size || !codePage) return false;
            bytes_ += *size;
            if (table.Entries().size() >= kMaxResources || bytes_ > kMaxResourceBytes) return false;
            const auto bytes = data_(*rva, *size);
            if (!bytes) return false;
            table.Entries().push_back({path_[0], path_[1], *key->Id, *codePage, {bytes->begin(), bytes->end()}});
        }
        return true;
    }

    std::span<const std::uint8_t> section_;
    std::function<std::optional<std::span<const std::uint8_t>>(std::uint32_t, std::uint32_t)> data_;
    TResourceKey path_[2];
    std::uint64_t bytes_ = 0;
    std::size_t visited_ = 0;
};

// The resource directory for the resources, laid out for the address it will have: the
// directories level by level, the data entries, the names, then the data, each aligned to 8.
// Nothing when a directory would list more entries than its 16-bit counts can say.
std::optional<std::vector<std::uint8_t>> WriteDirectory(const TResourceTable& table, std::uint32_t baseRva) {
    std::map<TResourceKey, std::map<TResourceKey, std::map<std::uint16_t, const TResource*>>> tree;
    for (const TResource& resource : table.Entries()) tree[resource.Type][resource.Name][resource.Language] = &resource;
    if (tree.size() > 0xFFFF) return std::nullopt;
    for (const auto& [type, byName] : tree)
        if (byName.size() > 0xFFFF) return std::nullopt;

    std::size_t directories = 16 + 8 * tree.size(), dataEntries = 0, names = 0;
    for (const auto& [type, byName] : tree) {
        if (!type.Id) names += 2 + 2 * type.Name.size();
        directories += 16 + 8 * byName.size();
        for (const auto& [name, byLanguage] : byName) {
            if (!name.Id) names += 2 + 2 * name.Name.size();
            directories += 16 + 8 * byLanguage.size();
            dataEntries += 16 * byLanguage.size();
        }
    }
    std::size_t dataStart = le::AlignUp(directories + dataEntries + names, 8), size = dataStart;
    for (const TResource& resource : table.Entries()) size = le::AlignUp(size + resource.Data.size(), 8);

    std::vector<std::uint8_t> out(size);
    std::size_t nextDirectory = 0, nextEntry = directories, nextName = directories + dataEntries, nextData = dataStart;
    const auto writeName = [&](const TResourceKey& key) -> std::uint32_t {
        if (key.Id) return *key.Id;
        const std::size_t at = nextName;
        le::PutU16(out, at, static_cast<std::uint16_t>(key.Name.size()));
        for (std::size_t i = 0; i < key.Name.size(); ++i) le::PutU16(out, at + 2 + 2 * i, key.Name[i]);
        nextName += 2 + 2 * key.Name.size();
        return static_cast<std::uint32_t>(at) | kSubdirectoryFlag;
    };
    // A directory's header and room for its entries; returns where the entries go.
    const auto openDirectory = [&](const auto& children) {
        const std::size_t at = nextDirectory;
        std::uint16_t named = 0;
        for (const auto& child : children)
            if constexpr (std::is_same_v<std::decay_t<decltype(child.first)>, TResourceKey>) named += !child.first.Id;
        le::PutU16(out, at + 12, named);
        le::PutU16(out, at + 14, static_cast<std::uint16_t>(children.size() - named));
        nextDirectory += 16 + 8 * children.size();
        return at + 16;
    };

    // Breadth first: the root, every type's directory, every name's directory.
    std::size_t rootEntry = openDirectory(tree);
    std::vector<std::pair<std::size_t, const std::map<TResourceKey, std::map<std::uint16_t, const TResource*>>*>> types;
    for (const auto& [type, byName] : tree) {
        le::PutU32(out, rootEntry, writeName(type));
        types.emplace_back(rootEntry, &byName);
        rootEntry += 8;
    }
    std::vector<std::pair<std::size_t, const std::map<std::uint16_t, const TResource*>*>> namesOf;
    for (const auto& [entry, byName] : types) {
        le::PutU32(out, entry + 4, static_cast<std::uint32_t>(nextDirectory) | kSubdirectoryFlag);
        std::size_t nameEntry = openDirectory(*byName);
        for (const auto& [name, byLanguage] : *byName) {
            le::PutU32(out, nameEntry, writeName(name));
            namesOf.emplace_back(nameEntry, &byLanguage);
            nameEntry += 8;
        }
    }
    for (const auto& [entry, byLanguage] : namesOf) {
        le::PutU32(out, entry + 4, static_cast<std::uint32_t>(nextDirectory) | kSubdirectoryFlag);
        std::size_t languageEntry = openDirectory(*byLanguage);
        for (const auto& [language, resource] : *byLanguage) {
            le::PutU32(out, languageEntry, language);
            le::PutU32(out, languageEntry + 4, static_cast<std::uint32_t>(nextEntry));
            le::PutU32(out, nextEntry, static_cast<std::uint32_t>(baseRva + nextData));
            le::PutU32(out, nextEntry + 4, static_cast<std::uint32_t>(resource->Data.size()));
            le::PutU32(out, nextEntry + 8, resource->CodePage);
            std::copy(resource->Data.begin(), resource->Data.end(), out.begin() + static_cast<std::ptrdiff_t>(nextData));
            nextData = le::AlignUp(nextData + resource->Data.size(), 8);
            nextEntry += 16;
            languageEntry += 8;
        }
    }
    return out;
}

}  // namespace

bool TResourceKey::operator<(const TResourceKey& other) const {
    if (Id.has_value() != other.Id.has_value()) return !Id.has_value();  // names first
    if (Id) return *Id < *other.Id;
    return Name < other.Name;
}

const TResource* TResourceTable::Find(const TResourceKey& type, const TResourceKey& name,
                                      std::uint16_t language) const {
    for (const TResource& resource : entries_)
        if (resource.Type == type && resource.Name == name && resource.Language == language) return &resource;
    return nullptr;
}

const TResource* TResourceTable::FindAnyLanguage(const TResourceKey& type, const TResourceKey& name) const {
    if (const TResource* neutral = Find(type, name, 0)) return neutral;
    if (const TResource* english = Find(type, name, 1033)) return english;
    const auto first = FirstLanguage(type, name);
    return first ? Find(type, name, *first) : nullptr;
}

std::optional<std::uint16_t> TResourceTable::FirstLanguage(const TResourceKey& type, const TResourceKey& name) const {
    std::optional<std::uint16_t> first;
    for (const TResource& resource : entries_)
        if (resource.Type == type && resource.Name == name && (!first || resource.Language < *first))
            first = resource.Language;
    return first;
}

void TResourceTable::Put(const TResourceKey& type, const TResourceKey& name, std::uint16_t language,
                         std::vector<std::uint8_t> data) {
    const auto same = [&](const TResource& resource) {
        return resource.Type == type && resource.Name == name && resource.Language == language;
    };
    const auto found = std::find_if(entries_.begin(), entries_.end(), same);
    if (found != entries_.end()) {
        found->Data = std::move(data);
    } else {
        entries_.push_back({type, name, language, 0, std::move(data)});
    }
}

void TResourceTable::Erase(const TResourceKey& type, const TResourceKey& name, std::uint16_t language) {
    std::erase_if(entries_, [&](const TResource& resource) {
        return resource.Type == type && resource.Name == name && resource.Language == language;
    });
}

std::optional<TPeImage> TPeImage::Parse(std::vector<std::uint8_t> file) {
    TPeImage image;
    image.file_ = std::move(file);
    const std::span<const std::uint8_t> bytes = image.file_;
    if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return std::nullopt;
    const std::uint64_t signature = *le::U32(bytes, 0x3C);
    if (le::U32(bytes, signature) != 0x00004550u) return std::nullopt;
    const std::uint64_t fileHeader = signature + 4;
    const auto sectionCount = le::U16(bytes, fileHeader + 2);
    const auto optionalSize = le::U16(bytes, fileHeader + 16);
    const std::uint64_t optional = fileHeader + 20;
    const auto magic = le::U16(bytes, optional);
    if (!sectionCount || !optionalSize || !magic || (*magic != 0x10B && *magic != 0x20B)) return std::nullopt;
    const std::uint64_t directories = optional + (*magic == 0x10B ? 96 : 112);
    const auto directoryCount = le::U32(bytes, directories - 4);
    const auto sectionAlignment = le::U32(bytes, optional + 32);
    const auto fileAlignment = le::U32(bytes, optional + 36);
    if (!directoryCount || !sectionAlignment || !fileAlignment || !IsPowerOfTwo(*sectionAlignment) ||
        !IsPowerOfTwo(*fileAlignment) || *fileAlignment > *sectionAlignment)
        return std::nullopt;
    image.directoryCount_ = std::min(*directoryCount, kMaxDirectories);
    if (directories + 8 * image.directoryCount_ > optional + *optionalSize) return std::nullopt;
    const std::uint64_t table = optional + *optionalSize;
    if (table + 40ull * *sectionCount > bytes.size()) return std::nullopt;
    image.sectionTableEnd_ = table + 40ull * *sectionCount;
    image.optionalHeader_ = optional;
    image.dataDirectories_ = directories;
    image.sectionAlignment_ = *sectionAlignment;
    image.fileAlignment_ = *fileAlignment;
    for (std::size_t i = 0; i < *sectionCount; ++i) {
        TSection section;
        section.Header = table + 40 * i;
        section.VirtualSize = *le::U32(bytes, section.Header + 8);
        section.VirtualAddress = *le::U32(bytes, section.Header + 12);
        section.RawSize = *le::U32(bytes, section.Header + 16);
        section.RawOffset = *le::U32(bytes, section.Header + 20);
        section.Characteristics = *le::U32(bytes, section.Header + 36);
        image.sections_.push_back(section);
    }
    if (image.directoryCount_ > kResourceDirectory) {
        const std::uint32_t rva = *le::U32(bytes, directories + 8 * kResourceDirectory);
        for (std::size_t i = 0; rva != 0 && i < image.sections_.size(); ++i) {
            const TSection& section = image.sections_[i];
            if (rva >= section.VirtualAddress &&
                rva - section.VirtualAddress < SpanOf(section.VirtualSize, section.RawSize)) {
                image.resourceSection_ = i;
                break;
            }
        }
    }
    return image;
}

std::optional<std::size_t> TPeImage::RvaToOffset(std::uint32_t rva, std::uint32_t size) const {
    for (const TSection& section : sections_) {
        if (rva < section.VirtualAddress) continue;
        const std::uint64_t inside = rva - section.VirtualAddress;
        const std::uint64_t rawEnd = std::uint64_t{section.RawOffset} + section.RawSize;
        if (inside + size > section.RawSize || rawEnd > file_.size()) continue;
        return section.RawOffset + inside;
    }
    return std::nullopt;
}

std::optional<TResourceTable> TPeImage::ReadResources() const {
    if (!resourceSection_) return std::nullopt;
    const std::uint32_t rva = *le::U32(file_, dataDirectories_ + 8 * kResourceDirectory);
    // The directory's bytes are those of its own section from the directory on (another
    // section may claim the same addresses: it is not the one the table names).
    const TSection& section = sections_[*resourceSection_];
    const std::uint64_t inside = rva - section.VirtualAddress;
    const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{section.RawOffset} + section.RawSize, file_.size());
    if (std::uint64_t{section.RawOffset} + inside + 16 > end) return std::nullopt;
    const std::size_t start = section.RawOffset + inside;
    const std::span<const std::uint8_t> bytes(file_);
    TDirectoryReader reader(bytes.subspan(start, end - start),
                            [&](std::uint32_t dataRva, std::uint32_t size) -> std::optional<std::span<const std::uint8_t>> {
                                const auto at = RvaToOffset(dataRva, size);
                                if (!at) return std::nullopt;
                                return bytes.subspan(*at, size);
                            });
    return reader.Read();
}

bool TPeImage::ReplaceResources(const TResourceTable& resources) {
    if (!resourceSection_) return false;
    if (directoryCount_ > kSecurityDirectory && *le::U32(file_, dataDirectories_ + 8 * kSecurityDirectory) != 0)
        return false;  // an edit would break the signature
    const TSection rsrc = sections_[*resourceSection_];
    const std::uint32_t rva = *le::U32(file_, dataDirectories_ + 8 * kResourceDirectory);
    // The section must hold the resources alone: they start it, and no other table is in it.
    if (rva != rsrc.VirtualAddress || rsrc.RawSize == 0 || rsrc.RawOffset % fileAlignment_ != 0 ||
        rsrc.RawSize % fileAlignment_ != 0 || std::uint64_t{rsrc.RawOffset} + rsrc.RawSize > file_.size())
        return false;
    const std::uint32_t oldSpan = SpanOf(rsrc.VirtualSize, rsrc.RawSize);
    for (std::uint32_t d = 0; d < directoryCount_; ++d) {
        const std::uint32_t other = *le::U32(file_, dataDirectories_ + 8 * d);
        if (d != kResourceDirectory && d != kSecurityDirectory && other >= rsrc.VirtualAddress &&
            other - rsrc.VirtualAddress < oldSpan)
            return false;
    }
    // The headers are patched in place after the new resources are laid down: a section table
    // reaching into the resources' raw data would be overwritten by them.
    if (sectionTableEnd_ > rsrc.RawOffset) return false;
    const std::uint32_t rawEnd = rsrc.RawOffset + rsrc.RawSize;
    for (const TSection& section : sections_) {
        if (section.Header == rsrc.Header || section.RawSize == 0) continue;
        if (section.RawOffset < rawEnd && section.RawOffset + std::uint64_t{section.RawSize} > rsrc.RawOffset)
            return false;  // raw data shared with the resources
    }

    const auto written = WriteDirectory(resources, rva);
    if (!written || written->size() > 0x7FFFFFFF) return false;
    const std::vector<std::uint8_t>& directory = *written;
    const std::uint64_t newRawSize = le::AlignUp(directory.size(), fileAlignment_);
    const std::int64_t rawDelta = static_cast<std::int64_t>(newRawSize) - rsrc.RawSize;
    const std::uint64_t oldVirtualEnd = le::AlignUp(std::uint64_t{rsrc.VirtualAddress} + oldSpan, sectionAlignment_);
    const std::uint64_t newVirtualEnd =
        le::AlignUp(std::uint64_t{rsrc.VirtualAddress} + directory.size(), sectionAlignment_);
    const std::int64_t virtualDelta = static_cast<std::int64_t>(newVirtualEnd) - static_cast<std::int64_t>(oldVirtualEnd);
    // Sections after the resources in memory move with them; code may address any section it
    // keeps, so only those the loader discards may move.
    std::vector<const TSection*> moved;
    for (const TSection& section : sections_) {
        if (section.VirtualAddress <= rsrc.VirtualAddress) continue;
        if (section.VirtualAddress < oldVirtualEnd) return false;  // overlaps the resources
        if (virtualDelta != 0 && (section.Characteristics & kDiscardable) == 0) return false;
        moved.push_back(&section);
    }
    if (file_.size() + static_cast<std::uint64_t>(std::max<std::int64_t>(rawDelta, 0)) > 0xFFFFFFFFull) return false;

    // The bytes before the resources, the new resources, and everything after them shifted.
    std::vector<std::uint8_t> out(file_.begin(), file_.begin() + rsrc.RawOffset);
    out.insert(out.end(), directory.begin(), directory.end());
    out.resize(rsrc.RawOffset + newRawSize);
    out.insert(out.end(), file_.begin() + rawEnd, file_.end());
    const auto shiftedOffset = [&](std::uint32_t offset) {
        return offset >= rawEnd ? static_cast<std::uint32_t>(offset + rawDelta) : offset;
    };
    const auto movedRva = [&](std::uint32_t address) {
        for (const TSection* section : moved)
            if (address >= section->VirtualAddress &&
                address - section->VirtualAddress < SpanOf(section->VirtualSize, section->RawSize))
                return static_cast<std::uint32_t>(address + virtualDelta);
        return address;
    };

    // Debug entries name their data by file offset and by address; found before anything moves.
    if (directoryCount_ > kDebugDirectory) {
        const std::uint32_t debugRva = *le::U32(file_, dataDirectories_ + 8 * kDebugDirectory);
        const std::uint32_t debugSize = *le::U32(file_, dataDirectories_ + 8 * kDebugDirectory + 4);
        if (const auto at = debugRva != 0 ? RvaToOffset(debugRva, debugSize) : std::nullopt) {
            if (*at < rawEnd && *at + debugSize > rsrc.RawOffset) return false;  // inside the resources
            for (std::uint32_t entry = 0; entry + 28 <= debugSize; entry += 28) {
                const std::size_t newAt = shiftedOffset(static_cast<std::uint32_t>(*at + entry));
                le::PutU32(out, newAt + 20, movedRva(*le::U32(file_, *at + entry + 20)));
                const std::uint32_t pointer = *le::U32(file_, *at + entry + 24);
                if (pointer != 0) le::PutU32(out, newAt + 24, shiftedOffset(pointer));
            }
        }
    }
    const std::uint64_t fileHeader = *le::U32(file_, 0x3C) + 4;
    const std::uint32_t symbols = *le::U32(file_, fileHeader + 8);
    if (symbols != 0) le::PutU32(out, fileHeader + 8, shiftedOffset(symbols));
    for (std::uint32_t d = 0; d < directoryCount_; ++d) {
        if (d == kSecurityDirectory) continue;
        const std::uint32_t address = *le::U32(file_, dataDirectories_ + 8 * d);
        if (address != 0) le::PutU32(out, dataDirectories_ + 8 * d, movedRva(address));
    }
    le::PutU32(out, dataDirectories_ + 8 * kResourceDirectory + 4, static_cast<std::uint32_t>(directory.size()));

    std::uint64_t imageSize = 0;
    for (const TSection& section : sections_) {
        TSection now = section;
        if (section.Header == rsrc.Header) {
            now.VirtualSize = static_cast<std::uint32_t>(directory.size());
            now.RawSize = static_cast<std::uint32_t>(newRawSize);
        } else {
            now.VirtualAddress = movedRva(section.VirtualAddress);
            if (section.RawSize != 0) now.RawOffset = shiftedOffset(section.RawOffset);
        }
        le::PutU32(out, now.Header + 8, now.VirtualSize);
        le::PutU32(out, now.Header + 12, now.VirtualAddress);
        le::PutU32(out, now.Header + 16, now.RawSize);
        le::PutU32(out, now.Header + 20, now.RawOffset);
        imageSize = std::max(imageSize, le::AlignUp(std::uint64_t{now.VirtualAddress} +
                                                        SpanOf(now.VirtualSize, now.RawSize),
                                                    sectionAlignment_));
    }
    if (imageSize > 0xFFFFFFFFull) return false;
    le::PutU32(out, optionalHeader_ + 56, static_cast<std::uint32_t>(imageSize));
    if (*le::U32(file_, optionalHeader_ + 64) != 0) le::PutU32(out, optionalHeader_ + 64, PeChecksum(out, optionalHeader_ + 64));

    auto reparsed = Parse(std::move(out));
    if (!reparsed) return false;
    *this = std::move(*reparsed);
    return true;
}

std::uint32_t PeChecksum(std::span<const std::uint8_t> file, std::size_t checksumOffset) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < file.size(); i += 2) {
        if (i == checksumOffset || i == checksumOffset + 2) continue;
        const std::uint32_t word = file[i] | (i + 1 < file.size() ? file[i + 1] << 8 : 0);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + file.size());
}

}  // namespace vellum
