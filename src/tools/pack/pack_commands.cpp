#include "tools/pack/pack_commands.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <memory>

#include "core/archive/calculations.h"
#include "core/archive/exe_utils.h"
#include "core/archive/zip_archive.h"
#include "core/errors.h"
#include "core/styles/embedded_styles.h"
#include "core/styles/styles_utils.h"
#include "core/text/utf.h"
#include "tools/pack/archive_builder.h"
#include "tools/pack/check_command.h"
#include "tools/pack/init_command.h"
#include "tools/pack/launch_commands.h"
#include "tools/pack/progress_bar.h"
#include "tools/pack/project_file_reader.h"
#include "tools/pack/project_check.h"
#include "tools/pack/png_writer.h"

namespace vellum::pack {

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  vellum-pack build PROJECT_DIR -o OUT.exe [--runtime RUNTIME.exe] [--loader LOADER.dll]\n"
    "                    [--installer INSTALLER.exe] [--deflate] [--threads N]\n"
    "                    [--icon ICON.ico] [--version KEY=VALUE]...\n"
    "  vellum-pack list APP.exe\n"
    "  vellum-pack extract APP.exe -o ARCHIVE.zip\n"
    "  vellum-pack cat APP.exe ENTRY\n"
    "  vellum-pack theme-preview THEME -o PREVIEW.png [--size WIDTHxHEIGHT]\n"
    "  vellum-pack init DIR\n"
    "  vellum-pack check PROJECT_DIR\n"
    "  vellum-pack run PROJECT_DIR [--windows] [--runtime RUNTIME] [--loader LOADER.dll]\n"
    "  vellum-pack preview PROJECT_DIR [--windows] [--runtime RUNTIME] [--loader LOADER.dll]\n";

constexpr const char* kNotAnExecutable = " is not a Windows executable (PE) nor a Linux one (ELF)";

std::string Quoted(const std::filesystem::path& path) {
    return "'" + PathToUtf8(path) + "'";
}

// Opening a named pipe or a device for reading can wait forever for a writer; such an input is
// refused before anything opens it.
void RequireRegularFile(const std::string& role, const std::filesystem::path& path) {
    const std::string problem = NonRegularFileProblem(path);
    if (!problem.empty()) throw EVellumError("the " + role + " " + Quoted(path) + " " + problem);
}

// A file written under a temporary name and moved to its place only when complete, so that
// nothing half-written is ever left at the destination.
class TPendingFile {
public:
    explicit TPendingFile(std::filesystem::path destination)
        : destination_(std::move(destination)), temporary_(destination_) {
        temporary_ += ".partial";
    }
    ~TPendingFile() {
        if (!committed_) {
            std::error_code ignored;
            std::filesystem::remove(temporary_, ignored);
        }
    }
    const std::filesystem::path& Path() const { return temporary_; }
    void Commit() {
        std::filesystem::rename(temporary_, destination_);
        committed_ = true;
    }

private:
    std::filesystem::path destination_;
    std::filesystem::path temporary_;
    bool committed_ = false;
};

// The archive inside a packaged executable, opened with the runtime's own reader.
struct TOpenedApp {
    std::unique_ptr<TFileStream> File;
    std::unique_ptr<TWindowStream> Window;
    TZipArchive Archive;
};

std::unique_ptr<TOpenedApp> OpenApp(const std::filesystem::path& app) {
    RequireRegularFile("app", app);
    const auto location = TExeUtils::LocateArchive(app);
    if (!location) throw EVellumError(Quoted(app) + kNotAnExecutable);
    if (!location->HasArchive()) throw EVellumError(Quoted(app) + " carries no attached archive");
    auto opened = std::make_unique<TOpenedApp>();
    opened->File = std::make_unique<TFileStream>(app, TFileStream::TMode::OpenRead);
    opened->Window = std::make_unique<TWindowStream>(*opened->File, location->ImageEnd);
    opened->Archive.SetPassword(ArchivePassword());
    opened->Archive.Open(*opened->Window);
    return opened;
}

void CopyFile(const std::filesystem::path& from, const std::filesystem::path& to, std::int64_t offset,
              TProgressBar& progress) {
    TFileStream source(from, TFileStream::TMode::OpenRead);
    TFileStream target(to, TFileStream::TMode::Create);
    const std::int64_t total = source.Size() - offset;
    progress.SetMax(total);
    source.SetPosition(offset);
    std::vector<std::uint8_t> buffer(1 << 20);
    std::int64_t done = 0;
    while (const std::size_t read = source.Read(buffer.data(), buffer.size())) {
        target.Write(buffer.data(), read);
        done += static_cast<std::int64_t>(read);
        progress.SetPosition(done);
    }
    target.Close();
}

}  // namespace

int BuildCommand(const TBuildOptions& options, std::ostream& out, std::ostream& err) {
    const TProjectCheck check = CheckProject(options.ProjectDir);
    err << check.Report(PathToUtf8(options.ProjectDir / "vlm.ini"));
    if (check.HasErrors()) {
        err << "vellum-pack: nothing was written; mend the errors above\n";
        return 1;
    }

    RequireRegularFile("runtime", options.Runtime);
    if (options.Loader) RequireRegularFile("loader library", *options.Loader);
    if (options.Installer) RequireRegularFile("installer", *options.Installer);
    if (options.Resources.Icon) RequireRegularFile("icon", *options.Resources.Icon);
    const auto location = TExeUtils::LocateArchive(options.Runtime);
    if (!location) {
        err << "vellum-pack: the runtime " << Quoted(options.Runtime) << kNotAnExecutable << '\n';
        return 1;
    }
    if (location->FileSize < location->ImageEnd) {
        // Its archive would start inside the image it lacks, where the app never looks.
        err << "vellum-pack: the runtime " << Quoted(options.Runtime) << " is shorter than its program image (its "
            << "headers describe " << location->ImageEnd << " bytes, the file holds " << location->FileSize
            << "): it is cut off or damaged; give the complete runtime\n";
        return 1;
    }
    if (location->HasArchive()) {
        err << "vellum-pack: the runtime " << Quoted(options.Runtime) << " already carries an attached archive ("
            << location->ArchiveSize()
            << " bytes after its program image); give the plain, stripped runtime, not a packaged app\n";
        return 1;
    }
    // The Linux runtime links its engine; only a Windows app needs the loader library.
    if (!options.Loader && location->Format == TImageFormat::Pe)
        err << "vellum-pack: warning: no loader library given (--loader): the packaged app will report that the "
               "WebView2 runtime is missing\n";

    // Collected before anything is created, so that a refused project leaves nothing behind.
    const TCollectedInputs collected =
        CollectArchiveInputs(options.ProjectDir, check.DirName, options.Loader, options.Installer);
    for (const std::string& warning : collected.Warnings) err << "vellum-pack: warning: " << warning << '\n';
    const std::vector<TArchiveInput>& inputs = collected.Inputs;
    if (options.Output.has_parent_path()) std::filesystem::create_directories(options.Output.parent_path());

    // The runtime's bytes first, then the archive appended behind them with offsets relative to
    // its own first byte: what AppendZipToExe produces, without a second copy of the archive.
    TPendingFile executable(options.Output);
    {
        TProgressBar copying("runtime");
        CopyFile(options.Runtime, executable.Path(), 0, copying);
    }
    ApplyResourceEdits(executable.Path(), location->Format, options.Resources);
    {
        TFileStream exe(executable.Path(), TFileStream::TMode::OpenReadWrite);
        exe.SetPosition(exe.Size());
        TProgressBar progress(options.Deflate ? "compress" : "encrypt");
        TArchiveWriteOptions writeOptions;
        writeOptions.Deflate = options.Deflate;
        writeOptions.Threads = options.Threads;
        writeOptions.OnProgress = [&](std::int64_t done, std::int64_t total) {
            progress.SetMax(total);
            progress.SetPosition(done);
        };
        WriteArchive(inputs, exe, writeOptions);
        exe.Close();
    }
    if (location->Format == TImageFormat::Elf) {
        // A Linux app is started as a program: it gets the runtime's permissions (execute bits
        // included), not those of a newly created data file.
        std::filesystem::permissions(executable.Path(), std::filesystem::status(options.Runtime).permissions(),
                                     std::filesystem::perm_options::replace);
    }
    executable.Commit();

    std::int64_t total = 0;
    for (const TArchiveInput& input : inputs) total += input.Size;
    out << "packed " << inputs.size() << " files (" << total << " bytes) into " << PathToUtf8(options.Output) << '\n';
    return 0;
}

int ListCommand(const std::filesystem::path& app, std::ostream& out, std::ostream&) {
    const auto opened = OpenApp(app);
    std::int64_t total = 0;
    char line[64];
    for (int i = 0; i < opened->Archive.FileCount(); ++i) {
        const TZipEntry& entry = opened->Archive.FileInfo(i);
        std::snprintf(line, sizeof line, "%12" PRIu32 "  ", entry.UncompressedSize);
        out << line << entry.Name << '\n';
        total += entry.UncompressedSize;
    }
    out << opened->Archive.FileCount() << " entries, " << total << " bytes\n";
    return 0;
}

int ExtractCommand(const std::filesystem::path& app, const std::filesystem::path& zipPath, std::ostream& err) {
    const auto location = TExeUtils::LocateArchive(app);
    if (!location) throw EVellumError(Quoted(app) + kNotAnExecutable);
    if (!location->HasArchive()) {
        err << "vellum-pack: " << Quoted(app) << " carries no attached archive\n";
        return 1;
    }
    TPendingFile zip(zipPath);
    TProgressBar progress("extract");
    CopyFile(app, zip.Path(), location->ImageEnd, progress);
    zip.Commit();
    return 0;
}

int CatCommand(const std::filesystem::path& app, const std::string& entryName, std::ostream& out, std::ostream& err) {
    const auto opened = OpenApp(app);
    TMemoryStream bytes;
    const TExtractResult result = opened->Archive.ExtractToStreamChecked(entryName, bytes);
    if (result != TExtractResult::Ok) {
        err << "vellum-pack: cannot read '" << entryName << "' from " << Quoted(app) << ": "
            << DescribeExtractResult(result) << '\n';
        return 1;
    }
    out.write(reinterpret_cast<const char*>(bytes.Bytes().data()), static_cast<std::streamsize>(bytes.Bytes().size()));
    out.flush();
    return out ? 0 : 1;
}

namespace {

unsigned ParseThreadCount(const std::string& text) {
    unsigned count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end != text.data() + text.size() || count == 0 || count > 256)
        throw EVellumError("--threads needs a number from 1 to 256, not '" + text + "'");
    return count;
}

// "WIDTHxHEIGHT", each 64 to 4096 pixels.
std::pair<int, int> ParsePreviewSize(const std::string& text) {
    const std::size_t x = text.find('x');
    int width = 0, height = 0;
    const auto whole = [](std::string_view part, int& value) {
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        return error == std::errc() && end == part.data() + part.size();
    };
    if (x == std::string::npos || !whole(std::string_view(text).substr(0, x), width) ||
        !whole(std::string_view(text).substr(x + 1), height) || width < 64 || height < 64 || width > 4096 ||
        height > 4096)
        throw EVellumError("--size takes WIDTHxHEIGHT, each from 64 to 4096 pixels, not '" + text + "'");
    return {width, height};
}

int RunPackToolUnguarded(const std::vector<std::string>& arguments, const std::filesystem::path& self,
                         std::ostream& out, std::ostream& err) {
    if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h") {
        (arguments.empty() ? err : out) << kUsage;
        return arguments.empty() ? 2 : 0;
    }
    const std::string& command = arguments[0];
    std::vector<std::string> positional;
    std::optional<std::string> output, runtime, loader, installer, size;
    bool deflate = false, windows = false;
    unsigned threads = 0;
    TResourceEdits resources;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= arguments.size()) throw EVellumError(argument + " needs a value");
            return arguments[++i];
        };
        if (argument == "-o" || argument == "--output")
            output = value();
        else if (argument == "--runtime")
            runtime = value();
        else if (argument == "--loader")
            loader = value();
        else if (argument == "--installer")
            installer = value();
        else if (argument == "--size")
            size = value();
        else if (argument == "--deflate")
            deflate = true;
        else if (argument == "--windows")
            windows = true;
        else if (argument == "--threads")
            threads = ParseThreadCount(value());
        else if (argument == "--icon")
            resources.Icon = PathFromUtf8(value());
        else if (argument == "--version")
            AddVersionText(resources, value());
        else if (argument.starts_with("-") && argument.size() > 1)
            throw EVellumError("unknown option " + argument);
        else
            positional.push_back(argument);
    }

    const std::filesystem::path toolDir = self.parent_path();
    auto beside = [&](const char* name) -> std::optional<std::filesystem::path> {
        const std::filesystem::path candidate = toolDir / name;
        if (std::filesystem::is_regular_file(candidate)) return candidate;
        return std::nullopt;
    };

    if (command == "build" && positional.size() == 1 && output) {
        TBuildOptions options;
        options.ProjectDir = PathFromUtf8(positional[0]);
        options.Output = PathFromUtf8(*output);
        const auto runtimePath = runtime ? std::optional(PathFromUtf8(*runtime)) : beside("VellumRuntime.exe");
        if (!runtimePath) throw EVellumError("no runtime: give --runtime RUNTIME.exe");
        options.Runtime = *runtimePath;
        options.Loader = loader ? std::optional(PathFromUtf8(*loader)) : beside("WebView2LoaderWin64.dll");
        if (installer) options.Installer = PathFromUtf8(*installer);
        options.Deflate = deflate;
        options.Threads = threads;
        options.Resources = resources;
        return BuildCommand(options, out, err);
    }
    if (command == "list" && positional.size() == 1) return ListCommand(PathFromUtf8(positional[0]), out, err);
    if (command == "extract" && positional.size() == 1 && output)
        return ExtractCommand(PathFromUtf8(positional[0]), PathFromUtf8(*output), err);
    if (command == "cat" && positional.size() == 2)
        return CatCommand(PathFromUtf8(positional[0]), positional[1], out, err);
    if (command == "theme-preview" && positional.size() == 1 && output)
        return ThemePreviewCommand(positional[0], PathFromUtf8(*output), size.value_or("360x240"), err);
    if (command == "init" && positional.size() == 1) return InitCommand(PathFromUtf8(positional[0]), out, err);
    if (command == "check" && positional.size() == 1) return CheckCommand(PathFromUtf8(positional[0]), out, err);
    if ((command == "run" || command == "preview") && positional.size() == 1) {
        TLaunchOptions options;
        options.ProjectDir = PathFromUtf8(positional[0]);
        options.Windows = windows;
        const char* runtimeName = windows ? "VellumRuntime.exe" : "vellum-runtime";
        const auto runtimePath = runtime ? std::optional(PathFromUtf8(*runtime)) : beside(runtimeName);
        if (!runtimePath)
            throw EVellumError(std::string("no runtime: ") + runtimeName + " is not beside vellum-pack; give --runtime");
        options.Runtime = *runtimePath;
        if (windows) options.Loader = loader ? std::optional(PathFromUtf8(*loader)) : beside("WebView2LoaderWin64.dll");
        return command == "run" ? RunCommand(options, out, err) : PreviewCommand(options, out, err);
    }
    err << kUsage;
    return 2;
}

}  // namespace

int ThemePreviewCommand(const std::string& theme, const std::filesystem::path& png, const std::string& size,
                        std::ostream&) {
    const auto [width, height] = ParsePreviewSize(size);
    RegisterEmbeddedStyles(StyleManager());
    TRasterImage image(width, height);
    TStylesUtils::DrawThemePreview(theme, image);  // "Windows" and unknown names raise
    const std::string bytes = EncodePng(image);
    TPendingFile file(png);
    TFileStream target(file.Path(), TFileStream::TMode::Create);
    target.Write(bytes.data(), bytes.size());
    target.Close();
    file.Commit();
    return 0;
}

int RunPackTool(const std::vector<std::string>& arguments, const std::filesystem::path& self, std::ostream& out,
                std::ostream& err) {
    try {
        return RunPackToolUnguarded(arguments, self, out, err);
    } catch (const std::exception& exception) {
        err << "vellum-pack: " << exception.what() << '\n';
        return 1;
    }
}

}  // namespace vellum::pack
