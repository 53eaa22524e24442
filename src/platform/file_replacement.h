#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/stream/stream.h"

namespace vellum {

// Writes a file anew without ever losing the one it replaces: the bytes go to a new file beside
// the target, which takes the target's place in one step once it is whole. Destroyed without
// Commit (an error part way), it deletes what it wrote; the old file stays as it was.
class TFileReplacement {
public:
    // Creates the new file beside `path`; throws EFileError when it cannot.
    explicit TFileReplacement(std::string path);
    ~TFileReplacement();
    TFileReplacement(const TFileReplacement&) = delete;
    TFileReplacement& operator=(const TFileReplacement&) = delete;

    // The new content's stream; its errors name the target, not the temporary file.
    TStream& Stream();
    // Writes the rest to the disk and puts the file in place; throws EFileError, after which
    // nothing of the new file is left.
    void Commit();

private:
    class TTargetNamingStream;
    std::string path_;
    std::string temporary_;
    std::unique_ptr<TTargetNamingStream> stream_;
};

// Writes what `produce` writes to its stream as the new content of `path`, in one step. An
// error of `produce` or of the writing leaves the old file whole and is raised.
void ReplaceFileContents(const std::string& path, const std::function<void(TStream& stream)>& produce);

}  // namespace vellum
