#pragma once

#include <cstdint>
#include <functional>

#include "bridge/services/shell_service.h"

namespace vellum {

// The system's message for an error code in the language the system picks, as the system words
// it (a trailing full stop and line break included); empty when it has none.
std::string SystemErrorMessage(std::uint32_t code);

// The shell and system on Windows, through TSysUtils. Ending the session goes through
// `exitWindows` (TSysUtils::ExitWindows unless a test gives a stand-in), which sets the
// thread's last error when it refuses.
class TWin32ShellService final : public IShellService {
public:
    using TExitWindows = std::function<bool(std::uint32_t flags)>;
    explicit TWin32ShellService(TExitWindows exitWindows = nullptr);

    TShellOutcome Execute(const std::string& target, const std::string& parameters) override;
    TShellOutcome Explore(const std::string& path) override;
    std::string RunCommand(const std::string& command, const std::string& workingDir, bool showWindow) override;
    std::vector<std::string> WindowCaptions() override;
    TShellOutcome EndSession(TPowerAction action) override;
    std::vector<std::string> AdapterAddresses() override;

private:
    TExitWindows exitWindows_;
};

}  // namespace vellum
