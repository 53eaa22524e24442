#pragma once

#include <functional>

#include "bridge/services/shell_service.h"
#include "platform/posix/process_launcher.h"

namespace vellum {

// The shell and the system on Linux desktops. Every program is started from an argument vector
// through `launcher`; page text reaches no shell except the one command line whose purpose is
// to be run by the command interpreter (RunCommand, "/bin/sh -c"). Documents, folders and
// addresses open with the desktop's handler (xdg-open, else "gio open"); the session ends
// through logind on the system bus (gdbus). `windowCaptions` lists the display's windows; the
// GTK side gives it, and without one the list is empty.
class TPosixShellService final : public IShellService {
public:
    using TWindowCaptions = std::function<std::vector<std::string>()>;
    explicit TPosixShellService(IProcessLauncher& launcher, TWindowCaptions windowCaptions = nullptr);

    TShellOutcome Execute(const std::string& target, const std::string& parameters) override;
    TShellOutcome Explore(const std::string& path) override;
    std::string RunCommand(const std::string& command, const std::string& workingDir, bool showWindow) override;
    std::vector<std::string> WindowCaptions() override;
    TShellOutcome EndSession(TPowerAction action) override;
    std::vector<std::string> AdapterAddresses() override;

private:
    TShellOutcome OpenWithDesktop(const std::string& target);

    IProcessLauncher& launcher_;
    TWindowCaptions windowCaptions_;
};

// True for an address with a scheme ("https:", "mailto:"), not a drive letter or a path.
bool HasUrlScheme(const std::string& target);

// A "file://" address of an absolute path, every byte outside letters, digits, "-._~/"
// percent-encoded.
std::string FileUri(const std::string& absolutePath);

// The message of a failed gdbus call without gdbus's own prefixes ("Error: ",
// "GDBus.Error:<error name>: "), trimmed of the line break.
std::string DBusFailureText(const std::string& gdbusOutput);

}  // namespace vellum
