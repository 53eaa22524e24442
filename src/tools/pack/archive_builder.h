#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/stream/stream.h"

namespace vellum::pack {

// One file to put into the archive, under its entry name.
struct TArchiveInput {
    std::string EntryName;
    std::filesystem::path Source;
    std::int64_t Size = 0;
};

struct TCollectedInputs {
    std::vector<TArchiveInput> Inputs;
    std::vector<std::string> Warnings;  // what was left out, and why
};

// The archive's layout mirrors the project folder: "vlm.ini", "vlm-webviewjs" when present, the
// loader as "WebView2LoaderWin64.dll", the installer as "WebView2Installer.exe", then every
// file below the DirName folder as "DirName/relative/path".
// A symbolic link whose target lies outside the project folder (and outside the DirName folder)
// is left out with a warning, so that nothing from elsewhere on the machine ends up in the app.
// Two files whose entry names the app cannot tell apart ('\' is written as '/', and the reader
// ignores the case of A to Z) are refused with an EVellumError naming both.
TCollectedInputs CollectArchiveInputs(const std::filesystem::path& projectDir, const std::string& dirName,
                                      const std::optional<std::filesystem::path>& loader,
                                      const std::optional<std::filesystem::path>& installer);

struct TArchiveWriteOptions {
    bool Deflate = false;
    unsigned Threads = 0;  // 0: one per core
    std::function<void(std::int64_t done, std::int64_t total)> OnProgress;
};

// Writes the encrypted archive of the inputs to target (seekable). Small entries are read,
// compressed and encrypted on several threads and written in order; large ones are streamed
// block by block, so memory stays bounded whatever the project's size.
void WriteArchive(const std::vector<TArchiveInput>& inputs, TStream& target, const TArchiveWriteOptions& options);

}  // namespace vellum::pack
