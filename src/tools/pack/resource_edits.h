#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "core/archive/exe_utils.h"
#include "core/resources/version_info.h"

namespace vellum::pack {

// The identity a Windows app gets in its executable: the main icon and the version texts.
struct TResourceEdits {
    std::optional<std::filesystem::path> Icon;
    // Set texts by their index in kVersionTextNames; unset ones are written empty, except the
    // two version numbers, which keep the runtime's "1.0.0.0".
    std::array<std::optional<std::string>, kVersionTextCount> Texts;
    bool HasTexts() const;
    bool Empty() const { return !Icon && !HasTexts(); }
};

// Reads one --version argument, KEY=VALUE, into the edits. Keys are the version texts' names,
// in any letter case; throws EVellumError for an unknown or repeated key or a value that is not
// UTF-8.
void AddVersionText(TResourceEdits& edits, const std::string& assignment);

// Applies the edits to a copy of a runtime image before its archive is appended. Icons and
// version texts belong to Windows executables: edits for a Linux runtime are refused with
// EVellumError, as are an icon or an image the editor refuses (with its message).
void ApplyResourceEdits(const std::filesystem::path& exe, TImageFormat format, const TResourceEdits& edits);

}  // namespace vellum::pack
