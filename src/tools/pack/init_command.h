#pragma once

#include <filesystem>
#include <ostream>
#include <string>

namespace vellum::pack {

// The settings file of a starting project: ID, Name and DirName set (the app cannot start
// without them), every other key commented out with its default and what it does.
std::string StartingSettingsFile(const std::string& id, const std::string& name);

// An ID and a display name made from a folder's name: the ID in lower-case letters, digits,
// dots and dashes (a valid data folder name), the name without control characters.
std::string StartingId(const std::string& folderName);
std::string StartingName(const std::string& folderName);

// Writes a starting project into `dir`, which must be new or empty: vlm.ini, app/index.html
// and app/app.js. Refuses a folder that holds anything and never replaces a file.
int InitCommand(const std::filesystem::path& dir, std::ostream& out, std::ostream& err);

}  // namespace vellum::pack
