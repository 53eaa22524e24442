#pragma once

#include <string>
#include <vector>

namespace vellum {

// What a program run to its end came to: its exit code (128 + the signal for a killed one,
// -1 when it could not be waited for) and its standard output and error, interleaved.
struct TProcessResult {
    bool Started = false;
    int StartError = 0;  // errno when it did not start
    int ExitCode = -1;
    std::string Output;
};

// Starts programs from an argument vector, never through a shell, so no argument is ever read
// as a command. The first element is the program: a path, or a name looked up on PATH.
class IProcessLauncher {
public:
    virtual ~IProcessLauncher() = default;
    // Starts the program in the background, detached (its own session, standard streams on
    // /dev/null, nothing left to reap). 0 when it started, else the errno of the failure.
    virtual int StartDetached(const std::vector<std::string>& arguments) = 0;
    // Runs the program in `workingDir` (empty: the current folder) and waits for it.
    virtual TProcessResult Run(const std::vector<std::string>& arguments, const std::string& workingDir) = 0;
};

// The real launcher: fork and exec for detached starts, posix_spawn for waited runs.
class TPosixProcessLauncher final : public IProcessLauncher {
public:
    int StartDetached(const std::vector<std::string>& arguments) override;
    TProcessResult Run(const std::vector<std::string>& arguments, const std::string& workingDir) override;
};

// The file execvp would run for `program`: the name itself when it holds a '/', else the first
// executable regular file of that name in a PATH folder. Empty when there is none.
std::string FindProgram(const std::string& program);

}  // namespace vellum
