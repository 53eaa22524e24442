#pragma once

#include <string>
#include <vector>

#include "test_files.h"

namespace vellum::testing {

struct TArchiveFile {
    std::string Name;
    TBytes Data;
    bool Deflate = false;
};

// An archive as the packaging tool writes it, encrypted with `password`.
TBytes MakeArchive(const std::vector<TArchiveFile>& files, const std::string& password);

}  // namespace vellum::testing
