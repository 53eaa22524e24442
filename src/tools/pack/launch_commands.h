#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace vellum::pack {

// How run and preview start an app: the Linux runtime directly, or the Windows runtime under
// Wine (wine from PATH) with a loader library.
struct TLaunchOptions {
    std::filesystem::path ProjectDir;
    std::filesystem::path Runtime;
    std::optional<std::filesystem::path> Loader;  // Windows only
    bool Windows = false;
    std::string Wine = "wine";
};

// The command-line switch with which a runtime that carries no archive shows a project folder
// in preview mode.
inline constexpr const char* kPreviewSwitch = "--preview";

// Windows' view of a local path under Wine, whose drive Z: is the root folder.
std::string WinePath(const std::filesystem::path& path);

// Builds the project into a temporary folder, starts the app there and waits for it; the
// folder goes when the app ends. Returns the app's exit code (1 when the build failed).
int RunCommand(const TLaunchOptions& options, std::ostream& out, std::ostream& err);

// Shows the project folder in the runtime's preview mode (no archive; the page reloads when a
// project file changes) and waits for the window to close. Returns the runtime's exit code.
int PreviewCommand(const TLaunchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace vellum::pack
