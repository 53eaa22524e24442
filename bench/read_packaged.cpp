// Reads a packaged executable as the runtime does at start: the archive mapped where it lies
// (MapZipFromExe), the reader opened on it, the settings extracted; with --copy, the archive
// copied into memory first (GetZipFromExe), for comparison. Run under `/usr/bin/time -f %M` to
// see the peak memory this takes.
#include <cstdio>
#include <memory>
#include <string>

#include "core/archive/calculations.h"
#include "core/archive/exe_utils.h"
#include "core/archive/pe_image.h"
#include "core/archive/zip_archive.h"
#include "core/settings/app_settings.h"

namespace {

class TExecutableFile final : public vellum::IOwnExecutable {
public:
    explicit TExecutableFile(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path Path() const override { return path_; }
    std::uint32_t ImageEnd() const override { return vellum::ComputePeImageEndOfFile(path_).value_or(0); }
    [[noreturn]] void ReportNoArchiveAndExit() const override {
        std::fputs("no archive\n", stderr);
        std::exit(2);
    }

private:
    std::filesystem::path path_;
};

}  // namespace

int main(int argc, char** argv) {
    const bool copy = argc == 3 && std::string(argv[1]) == "--copy";
    if (argc != 2 && !copy) {
        std::fputs("usage: read_packaged [--copy] APP.exe\n", stderr);
        return 2;
    }
    const TExecutableFile executable(argv[argc - 1]);
    vellum::TExeUtils utils(executable);
    vellum::TMemoryStream memory;
    std::unique_ptr<vellum::TMappedFile> mapped;
    vellum::TZipArchive archive;
    archive.SetPassword(vellum::ArchivePassword());
    if (copy) {
        utils.GetZipFromExe(memory);
        archive.Open(memory);
    } else {
        mapped = utils.MapZipFromExe();
        archive.Open(*mapped);
    }
    vellum::TMemoryStream settingsBytes;
    archive.ExtractToStream("vlm.ini", settingsBytes);
    vellum::TAppSettings settings;
    settings.LoadFromBytes(settingsBytes.ToString());
    std::printf("%d entries, archive %lld bytes, ID=%s\n", archive.FileCount(), static_cast<long long>(copy ? memory.Size() : mapped->Size()),
                settings.ReadString("App", "ID", "").c_str());
    return 0;
}
