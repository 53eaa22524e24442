#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vellum {

// What an action handed to the system came to. When it was refused, `ErrorText` is the
// system's message for its last error, worded by the system and unedited (the caller trims it).
struct TShellOutcome {
    bool Done = true;
    std::string ErrorText;
    bool operator==(const TShellOutcome&) const = default;
};

// Ending the user's session, always forced: running applications are closed without asking.
// Numbered as the Windows exit flags with the force flag included.
enum class TPowerAction : std::uint32_t { LogOff = 4, Reboot = 6, ShutDown = 5 };

// The desktop shell and the system as the shell and system functions reach them. Every
// operation blocks until it has its result; texts and paths are UTF-8.
class IShellService {
public:
    virtual ~IShellService() = default;
    // Opens a program, document or address with the shell's "open" verb, owned by the active
    // window and shown normally; returns once the shell has started it.
    virtual TShellOutcome Execute(const std::string& target, const std::string& parameters) = 0;
    // Opens the folder holding `path` in the file manager with the item selected.
    virtual TShellOutcome Explore(const std::string& path) = 0;
    // Runs `command` through the command interpreter ("cmd.exe /C" on Windows) in `workingDir`
    // (empty: the process's current folder) and waits for it, with no time limit. The answer
    // is standard output and standard error as written, interleaved, decoded from the
    // system's ANSI code page; empty when the command wrote nothing or could not start.
    virtual std::string RunCommand(const std::string& command, const std::string& workingDir, bool showWindow) = 0;
    // The titles of all top-level windows, visible or hidden, except blank ones, in the
    // system's enumeration order, duplicates kept.
    virtual std::vector<std::string> WindowCaptions() = 0;
    // Asks the system to end the session; success may come just before the process is closed.
    virtual TShellOutcome EndSession(TPowerAction action) = 0;
    // One entry per network adapter with a non-zero hardware address, in adapter order: a type
    // letter (E Ethernet, W wireless, U other), a comma and six upper-case hexadecimal pairs
    // joined by colons, as in "E,00:1A:2B:3C:4D:5E".
    virtual std::vector<std::string> AdapterAddresses() = 0;
};

}  // namespace vellum
