// Entries written block by block are the bytes of entries prepared whole, and large projects
// are packed that way into archives our reader and Info-ZIP read back.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/archive/calculations.h"
#include "core/archive/zip_archive.h"
#include "core/archive/zip_writer.h"
#include "core/errors.h"
#include "test_files.h"
#include "tools/pack/archive_builder.h"

namespace vellum {
namespace {

using testing::BytesOf;
using testing::TBytes;

const std::string kPassword = "streamed";

TBytes Concat(TBytes a, const TBytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct TEntryCase {
    const char* what;
    TBytes data;
    bool deflate;
};

std::vector<TEntryCase> EntryCases() {
    return {
        {"empty, stored", {}, false},
        {"empty, deflate asked", {}, true},
        {"small text, deflated", BytesOf("hello hello hello hello hello"), true},
        {"random, stored, several blocks", testing::PseudoRandomBytes((3 << 20) + 17, 1), false},
        {"text, deflated, several blocks", BytesOf(std::string((5 << 20) + 3, 'z')), true},
        {"random, deflate asked: stored again", testing::PseudoRandomBytes((2 << 20) + 5, 2), true},
        {"compressible then random", Concat(BytesOf(std::string(1 << 20, 'c')), testing::PseudoRandomBytes(1 << 20, 3)),
         true},
        {"tiny random, deflate asked", testing::PseudoRandomBytes(40, 4), true},
    };
}

TEST(StreamedZipWriter, WritesTheBytesOfAnEntryPreparedWhole) {
    for (const TEntryCase& c : EntryCases()) {
        SCOPED_TRACE(c.what);
        TZipEntryOptions options;
        options.Deflate = c.deflate;
        options.ModTime = 0x6B21;
        options.ModDate = 0x5A2C;
        options.HeaderSeed = 1234;

        TMemoryStream whole(BytesOf("prefix"));
        whole.SetPosition(whole.Size());
        TZipWriter wholeWriter(whole);
        wholeWriter.Add(PrepareZipEntry("app/f.bin", c.data, kPassword, options));
        wholeWriter.Finish();

        TMemoryStream streamed(BytesOf("prefix"));
        streamed.SetPosition(streamed.Size());
        TMemoryStream source(BytesOf("skip" + std::string(c.data.begin(), c.data.end())));
        source.SetPosition(4);
        TZipWriter streamedWriter(streamed);
        streamedWriter.AddStreamed("app/f.bin", source, c.data.size(), kPassword, options);
        streamedWriter.Finish();

        ASSERT_EQ(streamed.Size(), whole.Size());
        EXPECT_TRUE(streamed.Bytes() == whole.Bytes()) << "the same bytes";

        TWindowStream archiveBytes(streamed, 6);
        TZipArchive reader;
        reader.SetPassword(kPassword);
        reader.Open(archiveBytes);
        TMemoryStream target;
        ASSERT_EQ(reader.ExtractToStreamChecked("app/f.bin", target), TExtractResult::Ok);
        EXPECT_TRUE(target.Bytes() == c.data);
    }
}

TEST(StreamedZipWriter, ASourceThatEndsEarlyLeavesTheArchiveWithoutTheEntry) {
    TMemoryStream target;
    TZipWriter writer(target);
    TZipEntryOptions options;
    writer.Add(PrepareZipEntry("first", BytesOf("one"), kPassword, options));
    const std::int64_t afterFirst = target.Size();
    for (const bool deflate : {false, true}) {
        SCOPED_TRACE(deflate ? "deflate" : "stored");
        options.Deflate = deflate;
        TMemoryStream shortSource(BytesOf(std::string((1 << 20) + 100, 's')));
        EXPECT_THROW(writer.AddStreamed("second", shortSource, (2 << 20), kPassword, options), EFileError);
        EXPECT_EQ(target.Size(), afterFirst) << "cut back to where the entry began";
        EXPECT_EQ(target.Position(), afterFirst);
    }
    writer.Finish();
    TMemoryStream reading(target.Bytes());
    TZipArchive reader;
    reader.SetPassword(kPassword);
    reader.Open(reading);
    ASSERT_EQ(reader.FileCount(), 1);
    TMemoryStream first;
    EXPECT_EQ(reader.ExtractToStreamChecked("first", first), TExtractResult::Ok);
    EXPECT_EQ(first.ToString(), "one");
}

TEST(StreamedZipWriter, ProjectsWithLargeFilesPackIntoArchivesInfoZipReads) {
    ASSERT_EQ(std::system("command -v unzip >/dev/null"), 0) << "unzip is needed (scripts/setup.sh installs it)";
    testing::TTempDir dir;
    const std::vector<std::pair<std::string, TBytes>> files = {
        {"app/a-small.txt", BytesOf("small")},
        {"app/b-large-random.bin", testing::PseudoRandomBytes((3 << 20) + 1, 5)},
        {"app/c-small-empty.txt", {}},
        {"app/d-large-text.txt", BytesOf(std::string((2 << 20) + 9, 't'))},
        {"app/e-just-over.bin", testing::PseudoRandomBytes((1 << 20) + 1, 6)},
        {"app/f-just-under.bin", testing::PseudoRandomBytes(1 << 20, 7)},
    };
    std::vector<pack::TArchiveInput> inputs;
    for (const auto& [name, data] : files) {
        testing::WriteFile(dir / "src" / name, data);
        inputs.push_back({name, dir / "src" / name, static_cast<std::int64_t>(data.size())});
    }
    for (const bool deflate : {false, true}) {
        for (const unsigned threads : {1u, 2u}) {
            SCOPED_TRACE(std::string(deflate ? "deflate, " : "stored, ") + std::to_string(threads) + " threads");
            const std::filesystem::path zip = dir / "out.zip";
            {
                TFileStream target(zip, TFileStream::TMode::Create);
                pack::TArchiveWriteOptions options;
                options.Deflate = deflate;
                options.Threads = threads;
                std::int64_t last = -1, calls = 0, expectedTotal = 0;
                for (const auto& input : inputs) expectedTotal += input.Size;
                options.OnProgress = [&](std::int64_t done, std::int64_t total) {
                    EXPECT_GE(done, last) << "an empty file adds nothing";
                    EXPECT_EQ(total, expectedTotal);
                    last = done;
                    ++calls;
                };
                pack::WriteArchive(inputs, target, options);
                EXPECT_EQ(last, expectedTotal);
                EXPECT_EQ(calls, static_cast<std::int64_t>(inputs.size())) << "once per file";
                target.Close();
            }
            const std::filesystem::path out = dir / "unzipped";
            std::filesystem::remove_all(out);
            ASSERT_EQ(std::system(("unzip -qq -P '" + ArchivePassword() + "' '" + zip.string() + "' -d '" +
                                   out.string() + "'")
                                      .c_str()),
                      0);
            TMemoryStream bytes(testing::ReadFile(zip));
            TZipArchive reader;
            reader.SetPassword(ArchivePassword());
            reader.Open(bytes);
            ASSERT_EQ(reader.FileCount(), static_cast<int>(files.size()));
            for (std::size_t i = 0; i < files.size(); ++i) {
                SCOPED_TRACE(files[i].first);
                EXPECT_EQ(reader.FileInfo(static_cast<int>(i)).Name, files[i].first) << "in the inputs' order";
                EXPECT_TRUE(testing::ReadFile(out / files[i].first) == files[i].second);
                TMemoryStream target;
                ASSERT_EQ(reader.ExtractToStreamChecked(files[i].first, target), TExtractResult::Ok);
                EXPECT_TRUE(target.Bytes() == files[i].second);
            }
        }
    }
}

}  // namespace
}  // namespace vellum
