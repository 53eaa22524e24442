#pragma once

#include <cstdint>
#include <filesystem>

namespace vellum {

// What the running program knows of its own executable file. The platform supplies the real
// one; tests supply a file of their choosing.
class IOwnExecutable {
public:
    virtual ~IOwnExecutable() = default;
    // The executable's own file (command-line argument 0, made absolute).
    virtual std::filesystem::path Path() const = 0;
    // The end of the running program image, computed from the section table in memory.
    virtual std::uint32_t ImageEnd() const = 0;
    // Tells the user that the executable carries no archive ("This is not a valid Windows
    // application", titled "Error") and ends the process with exit code 0.
    [[noreturn]] virtual void ReportNoArchiveAndExit() const = 0;
};

// The running process's own executable.
const IOwnExecutable& RunningExecutable();

}  // namespace vellum
