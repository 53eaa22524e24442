#include "test_archives.h"

#include "core/archive/zip_writer.h"
#include "core/stream/stream.h"

#include <atomic>
#include <thread>

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

int WrongReadsFromTwoThreads(TZipArchive& archive, const std::vector<TArchiveFile>& files, int rounds) {
    std::atomic<int> wrong{0};
    auto readAll = [&](std::size_t first) {
        for (int round = 0; round < rounds; ++round) {
            for (std::size_t k = 0; k < files.size(); ++k) {
                const TArchiveFile& file = files[(first + k) % files.size()];
                TMemoryStream target;
                if (archive.ExtractToStreamChecked(file.Name, target) != TExtractResult::Ok ||
                    target.Bytes() != file.Data)
                    ++wrong;
            }
        }
    };
    std::thread one(readAll, 0);
    std::thread two(readAll, files.size() / 2);
    one.join();
    two.join();
    return wrong.load();
}

}  // namespace vellum::testing
