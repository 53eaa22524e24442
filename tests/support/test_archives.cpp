#include "test_archives.h"

#include "core/archive/zip_writer.h"
#include "core/stream/stream.h"

namespace vellum::testing {

TBytes MakeArchive(const std::vector<TArchiveFile>& files, const std::string& password) {
    TMemoryStream stream;
    TZipWriter writer(stream);
    for (const TArchiveFile& file : files) {
        TZipEntryOptions options;
        options.Deflate = file.Deflate;
        options.ModTime = 0x7A31;
        options.ModDate = 0x5B89;
        writer.Add(PrepareZipEntry(file.Name, file.Data, password, options));
    }
    writer.Finish();
    return stream.Bytes();
}

}  // namespace vellum::testing
