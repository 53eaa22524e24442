// A stand-in for the runtime's first startup steps, packaged like an app by the end-to-end
// tests: it finds the archive attached to its own executable, copies it into memory, opens it
// with the archive password and reads the settings, then prints what it saw as JSON.
//
//   archive_probe.exe                 report as JSON on standard output
//   archive_probe.exe --extract PATH  also copy the archive to PATH with ExtractZipFromExe
#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

#include "core/archive/calculations.h"
#include "core/archive/exe_utils.h"
#include "core/archive/zip_archive.h"
#include "core/settings/app_settings.h"
#include "core/text/utf.h"

int wmain(int argc, wchar_t** argv) {
    using namespace vellum;
    nlohmann::json report;
    TExeUtils utils;
    report["hasArchive"] = utils.ExeHasAttachedStub();
    if (!report["hasArchive"]) {
        std::puts(report.dump().c_str());
        return 0;
    }

    std::int64_t progressMax = -1, progressLast = -1, progressCalls = 0;
    utils.SetOnProgressMax([&](TExeUtils&, std::int64_t max) { progressMax = max; });
    utils.SetOnProgressPos([&](TExeUtils&, std::int64_t position) {
        progressLast = position;
        ++progressCalls;
    });
    TMemoryStream memory;
    utils.GetZipFromExe(memory);
    memory.SetPosition(0);
    report["archiveSize"] = memory.Size();
    report["progress"] = {{"max", progressMax}, {"last", progressLast}, {"calls", progressCalls}};

    TZipArchive archive;
    archive.SetPassword(ArchivePassword());
    archive.Open(memory);

    TMemoryStream settingsBytes;
    archive.ExtractToStream("vlm.ini", settingsBytes);
    TAppSettings settings;
    settings.LoadFromBytes(
        std::string_view(reinterpret_cast<const char*>(settingsBytes.Bytes().data()), settingsBytes.Bytes().size()));
    report["settings"] = {{"ID", settings.ReadString("App", "ID", "")},
                          {"Name", settings.ReadString("App", "Name", "")},
                          {"DirName", settings.ReadString("App", "DirName", "")},
                          {"IndexHtml", settings.ReadString("App", "IndexHtml", "index.html")},
                          {"Width", settings.ReadInteger("App", "Width", 800)},
                          {"AllowDebug", settings.ReadBool("App", "AllowDebug", false)}};

    nlohmann::json entries = nlohmann::json::array();
    for (int i = 0; i < archive.FileCount(); ++i) {
        TMemoryStream bytes;
        const TExtractResult result = archive.ExtractToStreamChecked(i, bytes);
        entries.push_back(
            {{"name", archive.FileInfo(i).Name}, {"size", bytes.Size()}, {"result", DescribeExtractResult(result)}});
    }
    report["entries"] = entries;

    if (argc == 3 && std::wstring(argv[1]) == L"--extract") {
        utils.ExtractZipFromExe(std::filesystem::path(argv[2]));
        report["extractedTo"] = PathToUtf8(std::filesystem::path(argv[2]));
    }
    std::puts(report.dump().c_str());
    return 0;
}
