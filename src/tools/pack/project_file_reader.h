#pragma once

#include <filesystem>
#include <string>

namespace vellum::pack {

// A project file's bytes, or why there are none.
struct TProjectFileContents {
    enum class TOutcome { Read, Missing, NotAFile, Unreadable };
    TOutcome Outcome = TOutcome::Missing;
    std::string Bytes;
    std::string Problem;  // what is wrong, for NotAFile and Unreadable: "is a named pipe (FIFO)"
};

// Reads a file that must be a regular file. Anything else (a named pipe, a device, a folder) is
// refused without being opened for reading, so that the tool never waits on a pipe that has no
// writer; a file that exists but cannot be read says why.
TProjectFileContents ReadProjectFile(const std::filesystem::path& path);

// What keeps `path` from being read as a file without waiting ("is a named pipe (FIFO), not a
// regular file"), or the empty string when it is a regular file or does not exist (a missing
// file is reported by whoever opens it).
std::string NonRegularFileProblem(const std::filesystem::path& path);

}  // namespace vellum::pack
