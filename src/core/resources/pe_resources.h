#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vellum {

// A resource type or name: a 16-bit identifier or a UTF-16 string.
struct TResourceKey {
    std::optional<std::uint16_t> Id;
    std::u16string Name;  // when there is no Id

    static TResourceKey Of(std::uint16_t id) { return {id, {}}; }
    static TResourceKey Of(std::u16string name) { return {std::nullopt, std::move(name)}; }
    bool operator==(const TResourceKey&) const = default;
    // The order of a resource directory: names first, by code unit, then identifiers, rising.
    bool operator<(const TResourceKey& other) const;
};

struct TResource {
    TResourceKey Type;
    TResourceKey Name;
    std::uint16_t Language = 0;
    std::uint32_t CodePage = 0;
    std::vector<std::uint8_t> Data;
};

// The resources of a program image as a flat list, edited the way the system's resource
// update functions edit them, and found the way its resource lookup finds them.
class TResourceTable {
public:
    std::vector<TResource>& Entries() { return entries_; }
    const std::vector<TResource>& Entries() const { return entries_; }

    const TResource* Find(const TResourceKey& type, const TResourceKey& name, std::uint16_t language) const;
    // What a lookup without a language finds: the neutral language, then 1033 (the language
    // of this program's own resources), then the lowest language there is.
    const TResource* FindAnyLanguage(const TResourceKey& type, const TResourceKey& name) const;
    // The lowest language the resource has: the first one the system's enumeration lists.
    std::optional<std::uint16_t> FirstLanguage(const TResourceKey& type, const TResourceKey& name) const;
    // Adds or replaces one resource.
    void Put(const TResourceKey& type, const TResourceKey& name, std::uint16_t language,
             std::vector<std::uint8_t> data);
    // Deletes one resource; one that is not there is no error.
    void Erase(const TResourceKey& type, const TResourceKey& name, std::uint16_t language);

private:
    std::vector<TResource> entries_;
};

// A PE program image in memory, whose resources can be read and replaced. Replacing rebuilds
// the resource section: it may grow or shrink, and the sections after it (which may only be
// ones the loader discards, such as the base relocations) move with it; the section table,
// the data directories, the image size and the checksum (when one is set) follow, and any
// bytes after the last section stay at the end of the file.
class TPeImage {
public:
    // Nothing when the bytes are not a PE image whose headers and section table are whole.
    static std::optional<TPeImage> Parse(std::vector<std::uint8_t> file);

    bool HasResources() const { return resourceSection_.has_value(); }
    // The resources; nothing when the resource directory is damaged.
    std::optional<TResourceTable> ReadResources() const;
    // Rewrites the image with these resources; false (and the image unchanged) when its layout
    // leaves no way to do that: no resource section, a resource section that holds more than
    // the resources, a section table that reaches into it, sections after it that the loader
    // keeps, or a signed image.
    bool ReplaceResources(const TResourceTable& resources);

    const std::vector<std::uint8_t>& Bytes() const { return file_; }

private:
    struct TSection {
        std::size_t Header = 0;  // offset of its entry in the section table
        std::uint32_t VirtualSize = 0, VirtualAddress = 0, RawSize = 0, RawOffset = 0, Characteristics = 0;
    };
    std::optional<std::size_t> RvaToOffset(std::uint32_t rva, std::uint32_t size) const;

    std::vector<std::uint8_t> file_;
    std::size_t sectionTableEnd_ = 0;
    std::size_t optionalHeader_ = 0;
    std::size_t dataDirectories_ = 0;
    std::uint32_t directoryCount_ = 0;
    std::uint32_t sectionAlignment_ = 0, fileAlignment_ = 0;
    std::vector<TSection> sections_;
    std::optional<std::size_t> resourceSection_;
};

// The checksum the PE optional header carries, computed over the whole file with the
// checksum's own four bytes (at `checksumOffset`) taken as zero.
std::uint32_t PeChecksum(std::span<const std::uint8_t> file, std::size_t checksumOffset);

}  // namespace vellum
