#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vellum {

// The settings file "vlm.ini", held in memory and read one value at a time. INI rules: lines
// trimmed, ";" comments, sections and keys compared without case, repeated sections merged,
// a repeated key's later value wins, a key without "=" has no value.
class TAppSettings {
public:
    // Replaces everything held with the sections and entries of these lines.
    void SetStrings(const std::vector<std::string>& lines);
    // Decodes a file's bytes by their byte-order mark and fills the settings from its lines.
    void LoadFromBytes(std::string_view bytes);

    std::string ReadString(std::string_view section, std::string_view key, const std::string& defaultValue) const;
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const;
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // The raw entry: nothing when the key is missing, an empty optional value when it has no "=".
    struct TEntry {
        std::string Key;
        std::optional<std::string> Value;
    };
    const TEntry* FindEntry(std::string_view section, std::string_view key) const;

private:
    struct TSection {
        std::string Name;
        std::vector<TEntry> Entries;
    };
    const TSection* FindSection(std::string_view name) const;

    std::vector<TSection> sections_;
    // Section name with A to Z folded -> its place in sections_: a header or a read finds its
    // section at once instead of comparing it with every section before it.
    std::unordered_map<std::string, std::size_t> sectionIndex_;
};

// Reads a value as the settings read integers: "0x" (either case) before more characters
// means hexadecimal, as does "$"; otherwise decimal with an optional sign; 32 bits, where
// hexadecimal values up to FFFFFFFF wrap to negative numbers (colours are written that way).
std::optional<std::int32_t> ParseSettingsInteger(std::string_view text);

}  // namespace vellum
