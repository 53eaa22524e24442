#include "platform/posix/shell_service_posix.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/text/utf.h"
#include "platform/posix/windows_parameters.h"
#include "platform/sys_utils.h"

namespace vellum {

namespace {

TShellOutcome Refused(int error) {
    return {false, std::strerror(error)};
}

// Bytes in the locale's encoding (UTF-8) as well-formed UTF-8, without the zero bytes that
// would end the text early on the page's side.
std::string CleanOutput(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char byte : bytes)
        if (byte != '\0') text += byte;
    return IsValidUtf8(text) ? text : Utf16ToUtf8(Utf8ToUtf16(text));
}

}  // namespace

bool HasUrlScheme(const std::string& target) {
    // A scheme is a letter and then letters, digits, '+', '-' or '.'; one letter is a drive.
    const std::size_t colon = target.find(':');
    if (colon == std::string::npos || colon < 2 || !std::isalpha(static_cast<unsigned char>(target[0]))) return false;
    return std::all_of(target.begin(), target.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

std::string FileUri(const std::string& absolutePath) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : absolutePath) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || std::strchr("-._~/", c) != nullptr) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 15];
        }
    }
    return uri;
}

std::string DBusFailureText(const std::string& gdbusOutput) {
    std::string text = gdbusOutput;
    if (text.starts_with("Error: ")) text.erase(0, 7);
    if (text.starts_with("GDBus.Error:")) {
        const std::size_t separator = text.find(": ");
        if (separator != std::string::npos) text.erase(0, separator + 2);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

TPosixShellService::TPosixShellService(IProcessLauncher& launcher, TWindowCaptions windowCaptions)
    : launcher_(launcher), windowCaptions_(std::move(windowCaptions)) {}

TShellOutcome TPosixShellService::OpenWithDesktop(const std::string& target) {
    // The target is one argument of the opener, never an option of it: paths come absolute and
    // addresses start with their scheme, so none starts with '-'.
    int error = ENOENT;
    if (!FindProgram("xdg-open").empty()) {
        error = launcher_.StartDetached({"xdg-open", target});
    } else if (!FindProgram("gio").empty()) {
        error = launcher_.StartDetached({"gio", "open", target});
    } else {
        return {false, "No program to open documents and addresses with (xdg-open or gio) is installed"};
    }
    return error == 0 ? TShellOutcome{} : Refused(error);
}

TShellOutcome TPosixShellService::Execute(const std::string& target, const std::string& parameters) {
    if (HasUrlScheme(target)) return OpenWithDesktop(target);
    // As the shell's "open" verb: a file or folder here, else a program found on PATH.
    std::error_code error;
    std::filesystem::path path = PathFromUtf8(target);
    if (!std::filesystem::exists(path, error) && target.find('/') == std::string::npos) {
        const std::string program = FindProgram(target);
        if (!program.empty()) path = PathFromUtf8(program);
    }
    if (!std::filesystem::exists(path, error)) return Refused(ENOENT);
    const std::string absolute = PathToUtf8(std::filesystem::absolute(path, error).lexically_normal());
    const bool program = std::filesystem::is_regular_file(path, error) && access(absolute.c_str(), X_OK) == 0;
    if (!program) return OpenWithDesktop(absolute);  // a document takes no parameters
    std::vector<std::string> arguments = {absolute};
    for (std::string& argument : SplitWindowsParameters(parameters)) arguments.push_back(std::move(argument));
    const int started = launcher_.StartDetached(arguments);
    return started == 0 ? TShellOutcome{} : Refused(started);
}

TShellOutcome TPosixShellService::Explore(const std::string& path) {
    std::error_code error;
    const std::filesystem::path item = PathFromUtf8(path);
    if (path.empty() || !std::filesystem::exists(item, error)) return Refused(ENOENT);
    const std::filesystem::path absolute = std::filesystem::absolute(item, error).lexically_normal();
    std::string itemPath = PathToUtf8(absolute);
    while (itemPath.size() > 1 && itemPath.back() == '/') itemPath.pop_back();
    // The file manager's own "show this item" call selects it; the address is percent-encoded,
    // so nothing of the path can end the quoted list it is written in.
    const TProcessResult shown = launcher_.Run(
        {"gdbus", "call", "--session", "--timeout", "10", "--dest", "org.freedesktop.FileManager1", "--object-path",
         "/org/freedesktop/FileManager1", "--method", "org.freedesktop.FileManager1.ShowItems",
         "['" + FileUri(itemPath) + "']", ""},
        {});
    if (shown.Started && shown.ExitCode == 0) return {};
    // Without such a file manager, its folder opens and the item is not selected.
    const std::filesystem::path folder = PathFromUtf8(itemPath).parent_path();
    return OpenWithDesktop(PathToUtf8(folder.empty() ? PathFromUtf8("/") : folder));
}

std::string TPosixShellService::RunCommand(const std::string& command, const std::string& workingDir, bool) {
    // No console window exists to show on a Linux desktop: showWindow changes nothing.
    const TProcessResult result = launcher_.Run({"/bin/sh", "-c", command}, workingDir);
    return result.Started ? CleanOutput(result.Output) : std::string();
}

std::vector<std::string> TPosixShellService::WindowCaptions() {
    return windowCaptions_ ? windowCaptions_() : std::vector<std::string>();
}

TShellOutcome TPosixShellService::EndSession(TPowerAction action) {
    // logind closes the session's programs itself without asking them ("forced"); where the
    // system has no logind (a container, no system bus), gdbus's own message is the answer.
    std::vector<std::string> call = {"gdbus", "call", "--system", "--dest", "org.freedesktop.login1"};
    switch (action) {
        case TPowerAction::LogOff:
            call.insert(call.end(), {"--object-path", "/org/freedesktop/login1/session/auto", "--method",
                                     "org.freedesktop.login1.Session.Terminate"});
            break;
        case TPowerAction::Reboot:
            call.insert(call.end(), {"--object-path", "/org/freedesktop/login1", "--method",
                                     "org.freedesktop.login1.Manager.Reboot", "false"});
            break;
        case TPowerAction::ShutDown:
            call.insert(call.end(), {"--object-path", "/org/freedesktop/login1", "--method",
                                     "org.freedesktop.login1.Manager.PowerOff", "false"});
            break;
    }
    const TProcessResult result = launcher_.Run(call, {});
    if (!result.Started) return Refused(result.StartError);
    if (result.ExitCode == 0) return {};
    const std::string text = DBusFailureText(result.Output);
    return {false, text.empty() ? "The session manager refused the request" : text};
}

std::vector<std::string> TPosixShellService::AdapterAddresses() {
    std::vector<std::string> addresses;
    TSysUtils::GetMacAddresses(addresses);
    return addresses;
}

}  // namespace vellum
