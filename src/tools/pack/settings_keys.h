#pragma once

#include <array>
#include <string_view>

namespace vellum::pack {

enum class TSettingsKeyType { String, Integer, Boolean };

// One key the runtime reads from section App of vlm.ini.
struct TSettingsKey {
    const char* Name;
    TSettingsKeyType Type;
    const char* Default;  // as written in vlm.ini
    bool Required;        // the app ends at start without a word when it is empty
    const char* Meaning;  // one line, for the commented file that init writes
};

// Every key the runtime reads, in the order a settings file lists them. The lint and the
// starting project both come from this one table, so that they cannot disagree.
extern const std::array<TSettingsKey, 29> kSettingsKeys;

// The key of that name, letter case aside; nullptr for a key the runtime does not read.
const TSettingsKey* FindSettingsKey(std::string_view name);

}  // namespace vellum::pack
