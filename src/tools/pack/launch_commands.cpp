#include "tools/pack/launch_commands.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/text/utf.h"
#include "tools/pack/child_program.h"
#include "tools/pack/pack_commands.h"
#include "tools/pack/project_check.h"

namespace vellum::pack {

namespace {

// A folder of its own under the system's temporary folder, removed with everything in it when
// the object goes, however the command ends.
class TTemporaryFolder {
public:
    TTemporaryFolder() {
        std::string pattern = PathToUtf8(std::filesystem::temp_directory_path() / "vellum-run-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) throw EVellumError("cannot create a temporary folder in " +
                                                                   PathToUtf8(std::filesystem::temp_directory_path()));
        path_ = PathFromUtf8(pattern);
    }
    ~TTemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TTemporaryFolder(const TTemporaryFolder&) = delete;
    TTemporaryFolder& operator=(const TTemporaryFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

void RequireLoaderForWindows(const TLaunchOptions& options) {
    if (options.Windows && !options.Loader)
        throw EVellumError(
            "the Windows app needs a loader library: give --loader LOADER.dll (the WebView2 loader, or the "
            "project's test double build/windows/tests/webview2_double.dll), or place WebView2LoaderWin64.dll "
            "beside vellum-pack");
}

}  // namespace

std::string WinePath(const std::filesystem::path& path) {
    std::string text = PathToUtf8(std::filesystem::absolute(path).lexically_normal());
    for (char& c : text)
        if (c == '/') c = '\\';
    return "Z:" + text;
}

int RunCommand(const TLaunchOptions& options, std::ostream& out, std::ostream& err) {
    RequireLoaderForWindows(options);
    TTemporaryFolder folder;
    TBuildOptions build;
    build.ProjectDir = options.ProjectDir;
    build.Output = folder.Path() / (options.Windows ? "app.exe" : "app");
    build.Runtime = options.Runtime;
    build.Loader = options.Loader;
    if (const int built = BuildCommand(build, out, err); built != 0) return built;

    std::vector<std::string> command;
    if (options.Windows) command.push_back(options.Wine);
    command.push_back(PathToUtf8(build.Output));
    out.flush();
    const int code = RunChildProgram(command);
    out << "the app exited with code " << code << '\n';
    return code;
}

int PreviewCommand(const TLaunchOptions& options, std::ostream& out, std::ostream& err) {
    const TProjectCheck check = CheckProject(options.ProjectDir);
    err << check.Report(PathToUtf8(options.ProjectDir / "vlm.ini"));
    if (check.HasErrors()) {
        err << "vellum-pack: the project cannot be previewed; mend the errors above\n";
        return 1;
    }
    RequireLoaderForWindows(options);
    const std::filesystem::path project = std::filesystem::absolute(options.ProjectDir).lexically_normal();
    std::vector<std::string> command;
    std::optional<TTemporaryFolder> folder;
    if (options.Windows) {
        // The runtime takes its loader library from its own folder when it carries no archive:
        // both go into a folder of their own.
        folder.emplace();
        const std::filesystem::path runtime = folder->Path() / "VellumRuntime.exe";
        std::filesystem::copy_file(options.Runtime, runtime);
        std::filesystem::copy_file(*options.Loader, folder->Path() / "WebView2LoaderWin64.dll");
        command = {options.Wine, PathToUtf8(runtime), kPreviewSwitch, WinePath(project)};
    } else {
        command = {PathToUtf8(options.Runtime), kPreviewSwitch, PathToUtf8(project)};
    }
    out << "previewing " << PathToUtf8(project) << "; the page reloads when a project file changes\n";
    out.flush();
    return RunChildProgram(command);
}

}  // namespace vellum::pack
