#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/pack/resource_edits.h"

namespace vellum::pack {

struct TBuildOptions {
    std::filesystem::path ProjectDir;
    std::filesystem::path Output;
    std::filesystem::path Runtime;
    std::optional<std::filesystem::path> Loader;
    std::optional<std::filesystem::path> Installer;
    bool Deflate = false;
    unsigned Threads = 0;
    TResourceEdits Resources;  // the icon and version texts a Windows app gets
};

// Each command returns the process's exit code: 0 on success, 1 on an error it reported on err.
int BuildCommand(const TBuildOptions& options, std::ostream& out, std::ostream& err);
int ListCommand(const std::filesystem::path& app, std::ostream& out, std::ostream& err);
int ExtractCommand(const std::filesystem::path& app, const std::filesystem::path& zipPath, std::ostream& err);
int CatCommand(const std::filesystem::path& app, const std::string& entryName, std::ostream& out, std::ostream& err);

// Draws the sample window of a theme into a PNG file.
int ThemePreviewCommand(const std::string& theme, const std::filesystem::path& png, const std::string& size,
                        std::ostream& err);

// Parses the command line and runs the command; `self` is the tool's own path, beside which
// the runtime and the loader library are looked for when not given.
int RunPackTool(const std::vector<std::string>& arguments, const std::filesystem::path& self, std::ostream& out,
                std::ostream& err);

}  // namespace vellum::pack
