#pragma once

#include <string>
#include <vector>

#include "core/archive/zip_archive.h"
#include "test_files.h"

namespace vellum::testing {

struct TArchiveFile {
    std::string Name;
    TBytes Data;
    bool Deflate = false;
};

// An archive as the packaging tool writes it, encrypted with `password`.
TBytes MakeArchive(const std::vector<TArchiveFile>& files, const std::string& password);

// Two threads extracting every file from the one open archive, `rounds` times over, starting at
// different files: how many extractions failed or gave other bytes than the file's.
int WrongReadsFromTwoThreads(TZipArchive& archive, const std::vector<TArchiveFile>& files, int rounds);

}  // namespace vellum::testing
