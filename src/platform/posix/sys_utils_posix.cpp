// The system utilities on POSIX systems: the operations that have a real equivalent there.
// The others return their failure result and set ENOTSUP, so callers can report it.
#include <dlfcn.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <langinfo.h>
#include <locale.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "core/text/ascii_case.h"
#include "core/text/utf.h"
#include "platform/posix/process_launcher.h"
#include "platform/posix/windows_parameters.h"
#include "platform/sys_utils.h"

extern char** environ;

namespace vellum {

namespace {

thread_local std::uint32_t t_lastError = 0;
bool g_terminated = false;

template <typename T>
T Fail(int error, T result) {
    t_lastError = static_cast<std::uint32_t>(error);
    return result;
}

std::string WithDelimiter(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string HomeDir() {
    std::string home = Environment("HOME");
    if (home.empty())
        if (const passwd* entry = getpwuid(getuid())) home = entry->pw_dir;
    return home;
}

// A folder named in the user's XDG user-dirs file ("XDG_DESKTOP_DIR="$HOME/Desktop""), or the
// fallback below the home folder.
std::string UserDir(const std::string& key, const std::string& fallback) {
    std::string config = Environment("XDG_CONFIG_HOME");
    if (config.empty()) config = HomeDir() + "/.config";
    std::ifstream file(config + "/user-dirs.dirs");
    std::string line;
    while (std::getline(file, line)) {
        if (!line.starts_with(key + "=")) continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.starts_with("$HOME")) value = HomeDir() + value.substr(5);
        if (!value.empty()) return value;
    }
    return HomeDir() + "/" + fallback;
}

// Starts argv[0] (looked up on PATH) with stdout and stderr as given; the pid, or -1.
pid_t Spawn(const std::vector<std::string>& arguments, int outputFd = -1, const std::string& workingDir = {}) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, outputFd);
    }
    if (!workingDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return Fail(error, pid_t{-1});
    return pid;
}

// Waits for the child; its exit code (128 + the signal for a killed child), or -1.
int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// Starts a program in the background, detached and without a shell, so its arguments are
// never read as commands. True when the program started.
bool StartDetached(const std::vector<std::string>& arguments) {
    const int error = TPosixProcessLauncher().StartDetached(arguments);
    return error == 0 ? true : Fail(error, false);
}

bool OnPath(const std::string& program) {
    for (const std::string& folder : {std::string("/usr/local/bin"), std::string("/usr/bin"), std::string("/bin")})
        if (access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}

bool MatchesMask(const std::string& name, const std::string& mask) {
    if (mask == "*.*" || mask == "*") return true;  // as on Windows, "*.*" also matches names without a dot
    return fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

}  // namespace

std::uint32_t TSysUtils::LastErrorCode() {
    return t_lastError;
}

bool TSysUtils::ApplicationTerminated() {
    return g_terminated;
}

std::string TSysUtils::DecimalSeparator() {
    locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (user == static_cast<locale_t>(0)) return ".";
    std::string separator = nl_langinfo_l(RADIXCHAR, user);
    freelocale(user);
    return separator.empty() ? "." : separator;
}

std::string TSysUtils::GetSpecialFolderPath(int csidl) {
    switch (csidl) {
        case 0: return UserDir("XDG_DESKTOP_DIR", "Desktop");
        case 5: return UserDir("XDG_DOCUMENTS_DIR", "Documents");
        case 26: {
            const std::string config = Environment("XDG_CONFIG_HOME");
            return config.empty() ? HomeDir() + "/.config" : config;
        }
        case 28: {
            const std::string data = Environment("XDG_DATA_HOME");
            return data.empty() ? HomeDir() + "/.local/share" : data;
        }
        case 38: return "/opt";
        default: return Fail(ENOTSUP, std::string());
    }
}

std::string TSysUtils::GetSystemAppsDirPath() {
    return WithDelimiter(GetSpecialFolderPath(36));
}

std::string TSysUtils::GetTempDirPath() {
    std::string temp = Environment("TMPDIR");
    return WithDelimiter(temp.empty() ? "/tmp" : temp);
}

std::string TSysUtils::GetParentDirPath(const std::string& Path) {
    const auto parent = std::filesystem::absolute(PathFromUtf8(Path + "/..")).lexically_normal();
    return WithDelimiter(PathToUtf8(parent));
}

std::string TSysUtils::ExpandFileNameRelBaseDir(const std::string& FileName, const std::string& BaseDir) {
    const std::string joined = PathFromUtf8(FileName).is_relative() ? WithDelimiter(BaseDir) + FileName : FileName;
    return PathToUtf8(PathFromUtf8(joined).lexically_normal());
}

bool TSysUtils::ShellExec(const std::string& FilePath, const std::string& Arguments) {
    if (Arguments.empty()) return ShellOpen(FilePath);
    // A program with arguments runs directly, never through a shell: the parameters may hold a
    // page's address. They come as one Windows-style string and are split the Windows way.
    if (access(FilePath.c_str(), X_OK) != 0) return Fail(errno, false);
    std::vector<std::string> arguments = {FilePath.find('/') == std::string::npos ? "./" + FilePath : FilePath};
    for (std::string& argument : SplitWindowsParameters(Arguments)) arguments.push_back(std::move(argument));
    return StartDetached(arguments);
}

bool TSysUtils::ShellOpen(const std::string& FilePath) {
    if (!OnPath("xdg-open")) return Fail(ENOENT, false);
    return StartDetached({"xdg-open", FilePath});
}

bool TSysUtils::ShellExplore(const std::string& FilePath) {
    // File managers differ in how they select an item; opening its folder is what all can do.
    return ShellOpen(PathToUtf8(PathFromUtf8(FilePath).parent_path()));
}

std::int32_t TSysUtils::ShellExecAsAdminAndWait(TWindowHandle, const std::string&, const std::string&) {
    return Fail(ENOTSUP, 0);
}

std::int32_t TSysUtils::ExecAndWait(const std::string& CommandLine) {
    const pid_t pid = Spawn({"/bin/sh", "-c", CommandLine});
    if (pid < 0) return 0;
    const int code = WaitFor(pid);
    return code < 0 ? 0 : code;
}

void TSysUtils::ExecCmd(const std::string& CMD, bool Wait) {
    if (Wait) {
        const pid_t pid = Spawn({"/bin/sh", "-c", CMD});
        if (pid > 0) WaitFor(pid);
    } else {
        const pid_t pid = Spawn({"/bin/sh", "-c", "(" + CMD + ") &"});
        if (pid > 0) WaitFor(pid);
    }
}

std::string TSysUtils::GetDosOutput(const std::string& CommandLine, const std::string& WorkingDir, bool) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return Fail(errno, std::string());
    if (!WorkingDir.empty() && !std::filesystem::is_directory(PathFromUtf8(WorkingDir))) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return Fail(ENOENT, std::string());
    }
    const pid_t pid = Spawn({"/bin/sh", "-c", CommandLine}, pipeEnds[1], WorkingDir);
    close(pipeEnds[1]);
    std::string bytes;
    if (pid > 0) {
        char chunk[255];
        for (;;) {
            const ssize_t read = ::read(pipeEnds[0], chunk, sizeof chunk);
            if (read < 0 && errno == EINTR) continue;
            if (read <= 0) break;
            bytes.append(chunk, std::find(chunk, chunk + read, '\0'));
        }
        WaitFor(pid);
    }
    close(pipeEnds[0]);
    return Utf16ToUtf8(Utf8ToUtf16(bytes));  // the output is in the locale's encoding, UTF-8
}

void TSysUtils::EditWithMSPaint(const std::string&) {
    Fail(ENOTSUP, 0);
}

void TSysUtils::RestartApplication() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) StartDetached({PathToUtf8(self)});
    g_terminated = true;
}

bool TSysUtils::ExitWindows(std::uint32_t) {
    return Fail(ENOTSUP, false);
}

bool TSysUtils::CopyFile(const std::string& FromPath, const std::string& ToPath) {
    std::error_code error;
    std::filesystem::copy_file(PathFromUtf8(FromPath), PathFromUtf8(ToPath),
                               std::filesystem::copy_options::overwrite_existing, error);
    return error ? Fail(error.value(), false) : true;
}

bool TSysUtils::CopyDirectory(const std::string& FromDirPath, const std::string& ToDirPath) {
    std::error_code error;
    std::filesystem::copy(PathFromUtf8(FromDirPath), PathFromUtf8(ToDirPath),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing,
                          error);
    return error ? Fail(error.value(), false) : true;
}

bool TSysUtils::DeleteDirectory(const std::string& DirPath) {
    std::error_code error;
    if (!std::filesystem::exists(PathFromUtf8(DirPath), error)) return Fail(ENOENT, false);
    std::filesystem::remove_all(PathFromUtf8(DirPath), error);
    return error ? Fail(error.value(), false) : true;
}

void TSysUtils::GetDirectoryFiles(const std::string& RootDir, bool IncludeDirs, std::vector<std::string>& FileList,
                                  const std::string& FileMask) {
    FileList.clear();
    std::error_code error;
    if (!std::filesystem::is_directory(PathFromUtf8(RootDir), error)) return;
    std::vector<std::string> folders, files;
    for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(RootDir), error)) {
        const std::string name = PathToUtf8(entry.path().filename());
        if (!MatchesMask(name, FileMask)) continue;
        const std::string full = WithDelimiter(RootDir) + name;
        (entry.is_directory(error) ? folders : files).push_back(full);
    }
    if (IncludeDirs) FileList = folders;
    FileList.insert(FileList.end(), files.begin(), files.end());
}

std::int64_t TSysUtils::GetSubdirectoriesCount(const std::string& DirPath) {
    std::vector<std::string> entries;
    GetDirectoryFiles(DirPath, true, entries, "*.*");
    return std::count_if(entries.begin(), entries.end(),
                         [](const std::string& path) { return std::filesystem::is_directory(PathFromUtf8(path)); });
}

std::int64_t TSysUtils::GetSizeOfFile(const std::string& FilePath) {
    std::error_code error;
    const auto status = std::filesystem::status(PathFromUtf8(FilePath), error);
    if (error || !std::filesystem::exists(status)) return -1;
    if (std::filesystem::is_directory(status)) return 0;
    const auto size = std::filesystem::file_size(PathFromUtf8(FilePath), error);
    return error ? -1 : static_cast<std::int64_t>(size);
}

std::string TSysUtils::GetLnkFilePath(const std::string&) {
    return Fail(ENOTSUP, std::string());
}

bool TSysUtils::ExtractExeIcon(const std::string&, TBitmap&) {
    return Fail(ENOTSUP, false);
}

std::int32_t TSysUtils::TrueFontWidth(const TFontSpec&, const std::string&) {
    return Fail(ENOTSUP, 0);
}

void TSysUtils::PressKey(std::int32_t) {
    Fail(ENOTSUP, 0);
}

std::string TSysUtils::GetUserFromWindows() {
    if (const passwd* entry = getpwuid(geteuid())) return entry->pw_name;
    const std::string user = Environment("USER");
    return user.empty() ? "Unknown" : user;
}

std::string TSysUtils::GetComputerNetName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return Fail(errno, std::string());
    return name;
}

void TSysUtils::GetMacAddresses(std::vector<std::string>& List) {
    List.clear();
    std::error_code error;
    std::map<int, std::string> byIndex;  // in the kernel's interface order
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/net", error)) {
        const auto folder = entry.path();
        std::ifstream addressFile(folder / "address"), typeFile(folder / "type"), indexFile(folder / "ifindex");
        std::string address;
        int type = 0, index = 0;
        if (!(addressFile >> address) || !(typeFile >> type) || !(indexFile >> index)) continue;
        std::uint8_t bytes[6] = {};
        if (std::sscanf(address.c_str(), "%hhx:%hhx:%hhx:%hhx:%hhx:%hhx", &bytes[0], &bytes[1], &bytes[2], &bytes[3],
                        &bytes[4], &bytes[5]) != 6)
            continue;
        const bool wireless = std::filesystem::exists(folder / "wireless");
        const char letter = wireless ? 'W' : type == 1 ? 'E' : 'U';  // 1: ARPHRD_ETHER
        const std::string line = FormatMacAddressEntry(letter, bytes);
        if (line != std::string(1, letter) + ",00:00:00:00:00:00") byIndex[index] = line;
    }
    for (const auto& [index, line] : byIndex) List.push_back(line);
}

void TSysUtils::GetWindowsCaptions(std::vector<std::string>& WindowsCaptionsList) {
    WindowsCaptionsList.clear();
    Fail(ENOTSUP, 0);
}

bool TSysUtils::CheckEdgeIsInstalled(const std::string& EdgeLoaderDllPath) {
    if (access(EdgeLoaderDllPath.c_str(), F_OK) != 0) return false;
    void* library = dlopen(EdgeLoaderDllPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return false;
    using TGetVersion = std::int32_t (*)(const char16_t*, char16_t**);
    const auto getVersion =
        reinterpret_cast<TGetVersion>(dlsym(library, "GetAvailableCoreWebView2BrowserVersionString"));
    bool installed = false;
    if (getVersion != nullptr) {
        char16_t* version = nullptr;
        getVersion(nullptr, &version);  // the status is not examined: the string decides
        installed = version != nullptr && version[0] != u'\0';
        std::free(version);
    }
    dlclose(library);
    return installed;
}

}  // namespace vellum
