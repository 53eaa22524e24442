#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vellum::pack {

struct TFinding {
    enum class TSeverity { Error, Warning };
    TSeverity Severity;
    int Line;  // 0 when the finding concerns the whole file
    std::string Message;
};

// What the packaging tool knows of a project before it packs it.
struct TProjectCheck {
    std::vector<TFinding> Findings;
    std::string DirName;  // the settings' DirName, when present

    bool HasErrors() const;
    // "vlm.ini:12: warning: ..." lines, one per finding.
    std::string Report(const std::string& settingsFileName) const;
};

// Reads PROJECT_DIR/vlm.ini the way the runtime will and says plainly what the runtime would
// otherwise do silently: a missing identity, or an ID that is not one plain folder name, ends
// the app without a word, a word where a number belongs reads as the default, an unknown key is
// ignored, a start page that is not in the folder shows nothing. A vlm.ini that is not a regular
// file, or cannot be read, is an error that says so.
TProjectCheck CheckProject(const std::filesystem::path& projectDir);

}  // namespace vellum::pack
