#include "platform/win32/shell_service_win32.h"

#include <windows.h>

#include "core/text/utf.h"
#include "platform/sys_utils.h"

namespace vellum {

namespace {

// The outcome of a TSysUtils call, read before anything else can change the last error.
TShellOutcome Outcome(bool done) {
    if (done) return {};
    return {false, SystemErrorMessage(GetLastError())};
}

}  // namespace

std::string SystemErrorMessage(std::uint32_t code) {
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::string text;
    if (length != 0 && message != nullptr)
        text = Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(message), length));
    if (message != nullptr) LocalFree(message);
    return text;
}

TWin32ShellService::TWin32ShellService(TExitWindows exitWindows)
    : exitWindows_(exitWindows ? std::move(exitWindows) : TExitWindows(TSysUtils::ExitWindows)) {}

TShellOutcome TWin32ShellService::Execute(const std::string& target, const std::string& parameters) {
    return Outcome(TSysUtils::ShellExec(target, parameters));
}

TShellOutcome TWin32ShellService::Explore(const std::string& path) {
    return Outcome(TSysUtils::ShellExplore(path));
}

std::string TWin32ShellService::RunCommand(const std::string& command, const std::string& workingDir,
                                           bool showWindow) {
    return TSysUtils::GetDosOutput(command, workingDir, showWindow);
}

std::vector<std::string> TWin32ShellService::WindowCaptions() {
    std::vector<std::string> captions;
    TSysUtils::GetWindowsCaptions(captions);
    return captions;
}

TShellOutcome TWin32ShellService::EndSession(TPowerAction action) {
    return Outcome(exitWindows_(static_cast<std::uint32_t>(action)));
}

std::vector<std::string> TWin32ShellService::AdapterAddresses() {
    std::vector<std::string> addresses;
    TSysUtils::GetMacAddresses(addresses);
    return addresses;
}

}  // namespace vellum
