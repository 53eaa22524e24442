#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/startup/load_application.h"

namespace vellum {

// A runtime that carries no archive shows a project folder when its command line is exactly
// ("--preview", PROJECT_DIR); the folder, or nothing for any other command line. The switch has
// no effect on a packaged app: its archive decides what it shows.
std::optional<std::string> PreviewFolderArgument(const std::vector<std::string>& arguments);

// What a preview shows: the folder of the project's pages (PROJECT_DIR/DirName).
struct TPreviewProject {
    std::string ProjectDir;
    std::string PagesDir;
};

// Startup for preview mode: like LoadApplication, but the settings come from PROJECT_DIR/vlm.ini
// and no archive reader is made (the bridge and the browser form then work in preview mode).
// The data folder is the ID's with ".preview" appended, so that a preview never shares browser
// data or the single-instance lock with the installed app. No password is asked for: the
// project is the developer's own. A project the app could not start from (no vlm.ini, a
// missing identity) is reported on standard error and ends the process with exit code 1.
TPreviewProject LoadPreview(TStartupServices& Services, const std::string& projectDir);

// The startup of either kind: a preview of the folder the command line names when the running
// executable has no archive (it has nothing else to show), else the packaged application's
// startup. The answer is the previewed project, or nothing for a packaged application.
std::optional<TPreviewProject> LoadApplicationOrPreview(TStartupServices& Services,
                                                        const std::vector<std::string>& arguments);

}  // namespace vellum
