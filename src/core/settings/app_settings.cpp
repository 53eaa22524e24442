#include "core/settings/app_settings.h"

#include "core/text/ascii_case.h"
#include "core/text/text_decoding.h"

namespace vellum {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::int32_t> ParseSettingsInteger(std::string_view text) {
    std::string value(text);
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) value.replace(0, 2, 1, '$');
    std::size_t at = 0;
    bool negative = false;
    if (at < value.size() && (value[at] == '+' || value[at] == '-')) negative = value[at++] == '-';
    if (at < value.size() && value[at] == '$') {
        ++at;
        if (at == value.size()) return std::nullopt;
        std::uint64_t magnitude = 0;
        for (; at < value.size(); ++at) {
            const int digit = HexDigit(value[at]);
            if (digit < 0) return std::nullopt;
            magnitude = magnitude * 16 + static_cast<std::uint64_t>(digit);
            if (magnitude > 0xFFFFFFFFull) return std::nullopt;
        }
        auto bits = static_cast<std::uint32_t>(magnitude);
        if (negative) bits = 0u - bits;
        return static_cast<std::int32_t>(bits);
    }
    if (at == value.size()) return std::nullopt;
    std::int64_t magnitude = 0;
    for (; at < value.size(); ++at) {
        if (value[at] < '0' || value[at] > '9') return std::nullopt;
        magnitude = magnitude * 10 + (value[at] - '0');
        if (magnitude > 2147483648LL) return std::nullopt;
    }
    const std::int64_t result = negative ? -magnitude : magnitude;
    if (result > 2147483647LL) return std::nullopt;
    return static_cast<std::int32_t>(result);
}

void TAppSettings::SetStrings(const std::vector<std::string>& lines) {
    sections_.clear();
    sectionIndex_.clear();
    std::size_t current = 0;
    bool inSection = false;
    for (const std::string& raw : lines) {
        const std::string line = TrimText(raw);
        if (line.empty() || line[0] == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            std::string name = TrimText(std::string_view(line).substr(1, line.size() - 2));
            // A repeated section adds to the first one, which keeps the name it was first given.
            const auto [found, added] = sectionIndex_.try_emplace(FoldAsciiCase(name), sections_.size());
            if (added) sections_.push_back(TSection{std::move(name), {}});
            current = found->second;
            inSection = true;
            continue;
        }
        if (!inSection) continue;
        std::vector<TEntry>& entries = sections_[current].Entries;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            entries.push_back({line, std::nullopt});
        else
            entries.push_back({TrimText(std::string_view(line).substr(0, equals)),
                               TrimText(std::string_view(line).substr(equals + 1))});
    }
}

void TAppSettings::LoadFromBytes(std::string_view bytes) {
    SetStrings(SplitLines(DecodeTextWithBom(bytes)));
}

const TAppSettings::TSection* TAppSettings::FindSection(std::string_view name) const {
    const auto found = sectionIndex_.find(FoldAsciiCase(name));
    return found == sectionIndex_.end() ? nullptr : &sections_[found->second];
}

const TAppSettings::TEntry* TAppSettings::FindEntry(std::string_view section, std::string_view key) const {
    const TSection* found = FindSection(section);
    if (found == nullptr) return nullptr;
    // The entry added last wins.
    for (auto entry = found->Entries.rbegin(); entry != found->Entries.rend(); ++entry)
        if (EqualIgnoringAsciiCase(entry->Key, key)) return &*entry;
    return nullptr;
}

std::string TAppSettings::ReadString(std::string_view section, std::string_view key,
                                     const std::string& defaultValue) const {
    const TEntry* entry = FindEntry(section, key);
    return entry != nullptr && entry->Value ? *entry->Value : defaultValue;
}

std::int32_t TAppSettings::ReadInteger(std::string_view section, std::string_view key,
                                       std::int32_t defaultValue) const {
    return ParseSettingsInteger(ReadString(section, key, "")).value_or(defaultValue);
}

bool TAppSettings::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

}  // namespace vellum
