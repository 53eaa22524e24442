// An archive opened from arbitrary bytes, every entry extracted with the password the seed
// archives use. A damaged archive may be refused (EArchiveError) and a damaged entry may give
// nothing; what must never happen is a crash, a hang, or a partial or wrongly sized output
// reported as good.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/archive/zip_archive.h"
#include "core/errors.h"
#include "core/stream/stream.h"

using namespace vellum;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream input(std::vector<std::uint8_t>(data, data + size));
    TZipArchive archive;
    archive.SetPassword("fuzz");
    try {
        archive.Open(input);
    } catch (const EArchiveError&) {
        return 0;
    }
    for (int index = 0; index < archive.FileCount(); ++index) {
        const TZipEntry& entry = archive.FileInfo(index);
        TMemoryStream byIndex;
        const TExtractResult result = archive.ExtractToStreamChecked(index, byIndex);
        if (result == TExtractResult::Ok && byIndex.Size() != std::int64_t{entry.UncompressedSize}) std::abort();
        if (result != TExtractResult::Ok && byIndex.Size() != 0) std::abort();

        // By name the first entry of that name is served, which may be another one.
        const int found = archive.FindFile(entry.Name);
        if (found < 0 || found > index) std::abort();
        TMemoryStream byName;
        archive.ExtractToStream(entry.Name, byName);
        if (found == index && byName.Bytes() != byIndex.Bytes()) std::abort();
    }
    return 0;
}
