#include "core/archive/zip_archive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "core/archive/zip_crypto.h"
#include "core/archive/zip_format.h"
#include "core/archive/zip_writer.h"
#include "core/errors.h"
#include "crc32_shift_cases.h"
#include "test_archives.h"

namespace vellum {
namespace {

using namespace zipformat;
using testing::BytesOf;
using testing::MakeArchive;
using testing::TBytes;

const std::string kPassword = "s3cret-Pass";

struct TOpened {
    explicit TOpened(TBytes bytes, const std::string& password = kPassword) : stream(std::move(bytes)) {
        archive.SetPassword(password);
        archive.Open(stream);
    }
    TMemoryStream stream;
    TZipArchive archive;
};

std::string Extract(const TZipArchive& archive, std::string_view name, TExtractResult* result = nullptr) {
    TMemoryStream target;
    const TExtractResult outcome = archive.ExtractToStreamChecked(name, target);
    if (result != nullptr) *result = outcome;
    return target.ToString();
}

TBytes Sample() {
    TBytes text = BytesOf(std::string(5000, 'x') + "tail");
    return MakeArchive({{"vlm.ini", BytesOf("[App]\nID=demo\n")},
                        {"app/index.html", text, true},
                        {"app/empty.txt", {}},
                        {"app/sub/Data.bin", testing::PseudoRandomBytes(70000, 1)}},
                       kPassword);
}

TEST(ZipArchive, ReadsBackWhatTheWriterStored) {
    TOpened opened(Sample());
    ASSERT_EQ(opened.archive.FileCount(), 4);
    EXPECT_EQ(Extract(opened.archive, "vlm.ini"), "[App]\nID=demo\n");
    EXPECT_EQ(Extract(opened.archive, "app/index.html"), std::string(5000, 'x') + "tail");
    EXPECT_EQ(opened.archive.FileInfo(1).Method, kMethodDeflate);
    const TBytes data = testing::PseudoRandomBytes(70000, 1);
    EXPECT_EQ(Extract(opened.archive, "app/sub/Data.bin"), std::string(data.begin(), data.end()));
    TExtractResult result;
    EXPECT_EQ(Extract(opened.archive, "app/empty.txt", &result), "");
    EXPECT_EQ(result, TExtractResult::Ok) << "a zero-length entry followed by its data descriptor";
}

TEST(ZipArchive, FindsNamesIgnoringTheCaseOfAToZOnly) {
    TBytes bytes = MakeArchive({{"vlm.ini", {}}, {"app/\xC3\xA9t\xC3\xA9.txt", {}}, {"../escape.txt", {}}}, kPassword);
    TOpened opened(bytes);
    struct TCase {
        const char* name;
        int expected;
    };
    const TCase cases[] = {
        {"vlm.ini", 0},
        {"VLM.INI", 0},
        {"Vlm.Ini", 0},
        {"app\\\xC3\xA9t\xC3\xA9.txt", -1},  // backslash is not "/"
        {"app/\xC3\xA9t\xC3\xA9.TXT", 1},
        {"APP/\xC3\x89T\xC3\x89.txt", -1},  // É is not folded
        {"../escape.txt", 2},
        {"escape.txt", -1},
        {"/vlm.ini", -1},
        {"vlm.ini ", -1},
        {"", -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(opened.archive.FindFile(c.name), c.expected);
    }
}

TEST(ZipArchive, MissingNameLeavesTheTargetUntouched) {
    TOpened opened(Sample());
    TMemoryStream target(BytesOf("keep"));
    target.SetPosition(4);
    opened.archive.ExtractToStream("no/such/file", target);
    EXPECT_EQ(target.ToString(), "keep");
    EXPECT_EQ(target.Position(), 4);
}

TEST(ZipArchive, ExtractsFromTheTargetsCurrentPosition) {
    TOpened opened(Sample());
    TMemoryStream appended(BytesOf("head:"));
    appended.SetPosition(5);
    opened.archive.ExtractToStream("vlm.ini", appended);
    EXPECT_EQ(appended.ToString(), "head:[App]\nID=demo\n");

    TMemoryStream overwritten(BytesOf("0123456789012345678901234"));
    overwritten.SetPosition(2);
    opened.archive.ExtractToStream("vlm.ini", overwritten);
    EXPECT_EQ(overwritten.ToString(), "01[App]\nID=demo\n678901234");
}

TEST(ZipArchive, WrongPasswordWritesNothing) {
    TOpened opened(Sample(), "not the password");
    for (const char* name : {"vlm.ini", "app/index.html", "app/sub/Data.bin"}) {
        SCOPED_TRACE(name);
        TMemoryStream target(BytesOf("keep"));
        target.SetPosition(4);
        const TExtractResult result = opened.archive.ExtractToStreamChecked(name, target);
        // The check byte rejects almost every wrong password; the CRC catches the rest.
        EXPECT_TRUE(result == TExtractResult::WrongPassword || result == TExtractResult::CrcMismatch ||
                    result == TExtractResult::Damaged)
            << DescribeExtractResult(result);
        EXPECT_EQ(target.ToString(), "keep");
    }
}

TEST(ZipArchive, ReaderIsTheWritersMirrorOnTheWire) {
    const TBytes bytes = MakeArchive({{"a.txt", BytesOf("abc")}, {"empty", {}}}, kPassword);
    // First local header: version 20, flags 0x0009, sizes and CRC present, no extra field.
    EXPECT_EQ(GetU32(&bytes[0]), kLocalHeaderSignature);
    EXPECT_EQ(GetU16(&bytes[4]), 20);
    EXPECT_EQ(GetU16(&bytes[6]), 0x0009);
    EXPECT_EQ(GetU32(&bytes[14]), static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>("abc"), 3)));
    EXPECT_EQ(GetU32(&bytes[18]), 3u + 12u) << "compressed size counts the encryption header";
    EXPECT_EQ(GetU32(&bytes[22]), 3u);
    EXPECT_EQ(GetU16(&bytes[28]), 0) << "no extra field";
    // Every entry's data is followed by a signed data descriptor, as flag bit 3 promises.
    const std::size_t firstDescriptor = 30 + 5 + 15;
    EXPECT_EQ(GetU32(&bytes[firstDescriptor]), kDataDescriptorSignature);
    EXPECT_EQ(GetU32(&bytes[firstDescriptor + 8]), 15u);
    EXPECT_EQ(GetU32(&bytes[firstDescriptor + 12]), 3u);
    const std::size_t second = firstDescriptor + 16;
    ASSERT_EQ(GetU32(&bytes[second]), kLocalHeaderSignature);
    const std::size_t descriptor = second + 30 + 5 + 12;
    EXPECT_EQ(GetU32(&bytes[descriptor]), kDataDescriptorSignature);
    EXPECT_EQ(GetU32(&bytes[descriptor + 8]), 12u);
    EXPECT_EQ(GetU32(&bytes[descriptor + 12]), 0u);
    EXPECT_EQ(GetU32(&bytes[descriptor + 16]), kCentralHeaderSignature);
    // End record: no archive comment.
    EXPECT_EQ(GetU16(&bytes[bytes.size() - 2]), 0);
}

// An archive with one stored entry whose fields the cases below damage.
struct TDamageFixture {
    TBytes bytes = MakeArchive({{"app/a.txt", BytesOf(std::string(300, 'a'))}}, kPassword);
    std::size_t endRecord = bytes.size() - kEndOfCentralDirectorySize;
    std::size_t central = GetU32(&bytes[endRecord + 16]);
};

TEST(ZipArchive, DamagedDirectoriesFailToOpenWithAClearError) {
    struct TCase {
        const char* what;
        void (*damage)(TDamageFixture&);
    };
    const TCase cases[] = {
        {"no end record", [](TDamageFixture& f) { f.bytes[f.endRecord] = 0; }},
        {"directory offset beyond the data", [](TDamageFixture& f) { PutU32(&f.bytes[f.endRecord + 16], 0x7FFFFFF0); }},
        {"directory size beyond the data", [](TDamageFixture& f) { PutU32(&f.bytes[f.endRecord + 12], 0x10000); }},
        {"more entries than records",
         [](TDamageFixture& f) {
             PutU16(&f.bytes[f.endRecord + 8], 5);
             PutU16(&f.bytes[f.endRecord + 10], 5);
         }},
        {"name runs past the directory", [](TDamageFixture& f) { PutU16(&f.bytes[f.central + 28], 0xFFFF); }},
        {"bad record signature", [](TDamageFixture& f) { f.bytes[f.central] = 'X'; }},
        {"zip64 marker", [](TDamageFixture& f) { PutU32(&f.bytes[f.endRecord + 16], 0xFFFFFFFF); }},
        {"spans disks", [](TDamageFixture& f) { PutU16(&f.bytes[f.endRecord + 4], 1); }},
        {"cut inside the central directory",
         [](TDamageFixture& f) {
             f.bytes.erase(f.bytes.begin() + static_cast<long>(f.central) + 20,
                           f.bytes.end() - kEndOfCentralDirectorySize);
             f.endRecord = f.bytes.size() - kEndOfCentralDirectorySize;
         }},
        {"empty", [](TDamageFixture& f) { f.bytes.clear(); }},
        {"not an archive", [](TDamageFixture& f) { f.bytes = BytesOf("MZ this is a program, not an archive"); }},
        {"comment length beyond the end", [](TDamageFixture& f) { PutU16(&f.bytes[f.endRecord + 20], 1); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TDamageFixture fixture;
        c.damage(fixture);
        TMemoryStream stream(fixture.bytes);
        TZipArchive archive;
        EXPECT_THROW(archive.Open(stream), EArchiveError);
        EXPECT_EQ(archive.FindFile("app/a.txt"), -1);
    }
}

TEST(ZipArchive, DamagedEntriesExtractNothingAndSayWhy) {
    struct TCase {
        const char* what;
        void (*damage)(TDamageFixture&);
        TExtractResult expected;
    };
    const TCase cases[] = {
        {"local header offset outside", [](TDamageFixture& f) { PutU32(&f.bytes[f.central + 42], 0x7FFFFF00); },
         TExtractResult::Damaged},
        {"local header signature", [](TDamageFixture& f) { f.bytes[0] = 'X'; }, TExtractResult::Damaged},
        {"size larger than the data", [](TDamageFixture& f) { PutU32(&f.bytes[f.central + 20], 0x100000); },
         TExtractResult::Damaged},
        {"stored size disagrees", [](TDamageFixture& f) { PutU32(&f.bytes[f.central + 24], 299); },
         TExtractResult::Damaged},
        {"shorter than the encryption header", [](TDamageFixture& f) { PutU32(&f.bytes[f.central + 20], 5); },
         TExtractResult::Damaged},
        {"data changed", [](TDamageFixture& f) { f.bytes[30 + 9 + 12 + 100] ^= 0x40; }, TExtractResult::CrcMismatch},
        {"stored CRC changed", [](TDamageFixture& f) { f.bytes[f.central + 16] ^= 1; }, TExtractResult::CrcMismatch},
        {"unknown method", [](TDamageFixture& f) { PutU16(&f.bytes[f.central + 10], 14); },
         TExtractResult::Unsupported},
        {"strong encryption", [](TDamageFixture& f) { PutU16(&f.bytes[f.central + 8], 0x0049); },
         TExtractResult::Unsupported},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TDamageFixture fixture;
        c.damage(fixture);
        TOpened opened(fixture.bytes);
        TMemoryStream target(BytesOf("keep"));
        target.SetPosition(4);
        EXPECT_EQ(opened.archive.ExtractToStreamChecked("app/a.txt", target), c.expected);
        EXPECT_EQ(target.ToString(), "keep");
        opened.archive.ExtractToStream("app/a.txt", target);  // the runtime's form: silent
        EXPECT_EQ(target.ToString(), "keep");
    }
}

TEST(ZipArchive, DeflateBombNeverGoesPastTheDeclaredSize) {
    const TBytes zeros(32 * 1024 * 1024, 0);
    TBytes bytes = MakeArchive({{"bomb", zeros, true}}, kPassword);
    const std::size_t central = GetU32(&bytes[bytes.size() - kEndOfCentralDirectorySize + 16]);
    ASSERT_LT(bytes.size(), 100000u);
    struct TCase {
        const char* what;
        std::uint32_t declared;
    };
    for (const TCase& c : {TCase{"declared smaller than the data inflates to", 1000},
                           TCase{"declared beyond what deflate can expand to", 0xFFFFFFF0u}}) {
        SCOPED_TRACE(c.what);
        TBytes damaged = bytes;
        PutU32(&damaged[central + 24], c.declared);
        TOpened opened(damaged);
        TMemoryStream target;
        EXPECT_EQ(opened.archive.ExtractToStreamChecked("bomb", target), TExtractResult::Damaged);
        EXPECT_EQ(target.Size(), 0);
    }
    TOpened intact(bytes);
    TMemoryStream target;
    EXPECT_EQ(intact.archive.ExtractToStreamChecked("bomb", target), TExtractResult::Ok);
    EXPECT_EQ(target.Size(), static_cast<std::int64_t>(zeros.size()));
}

TEST(ZipArchive, LargeDeflatedEntriesDecodeTheSameOnTwoThreads) {
    // Over a megabyte of deflated data: decryption runs ahead on a second thread.
    TBytes data = testing::PseudoRandomBytes(3 << 20, 5);
    const TBytes text = BytesOf(std::string(2 << 20, 't'));
    data.insert(data.end(), text.begin(), text.end());
    const TBytes bytes = MakeArchive({{"big", data, true}}, kPassword);
    const std::size_t central = GetU32(&bytes[bytes.size() - kEndOfCentralDirectorySize + 16]);
    ASSERT_EQ(GetU16(&bytes[central + 10]), kMethodDeflate);
    ASSERT_GT(GetU32(&bytes[central + 20]), 1u << 20);

    TOpened intact(bytes);
    TMemoryStream target;
    ASSERT_EQ(intact.archive.ExtractToStreamChecked("big", target), TExtractResult::Ok);
    EXPECT_EQ(target.Bytes(), data);

    struct TCase {
        const char* what;
        std::size_t offset;  // byte to change, or 0 to cut the declared size instead
    };
    for (const TCase& c : {TCase{"data changed early", 30 + 3 + 12 + 1000}, TCase{"data changed late", central - 500},
                           TCase{"declared size too small", 0}}) {
        SCOPED_TRACE(c.what);
        TBytes damaged = bytes;
        if (c.offset != 0)
            damaged[c.offset] ^= 0x20;
        else
            PutU32(&damaged[central + 24], 4096);
        TOpened opened(damaged);
        TMemoryStream out;
        EXPECT_NE(opened.archive.ExtractToStreamChecked("big", out), TExtractResult::Ok);
        EXPECT_EQ(out.Size(), 0);
    }
}

TEST(ZipArchive, RandomDamageNeverCrashesNorPassesBadBytes) {
    const TBytes original = Sample();
    std::mt19937 random(20261209);
    for (int round = 0; round < 3000; ++round) {
        TBytes bytes = original;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
        if (round % 7 == 0) bytes.resize(random() % bytes.size());
        TMemoryStream stream(bytes);
        TZipArchive archive;
        archive.SetPassword(kPassword);
        try {
            archive.Open(stream);
        } catch (const EArchiveError&) {
            continue;
        }
        for (int index = 0; index < archive.FileCount(); ++index) {
            TMemoryStream target;
            const TExtractResult result = archive.ExtractToStreamChecked(index, target);
            const TZipEntry& entry = archive.FileInfo(index);
            if (result == TExtractResult::Ok) {
                ASSERT_EQ(target.Size(), entry.UncompressedSize);
                ASSERT_EQ(crc32(0, target.Bytes().data(), static_cast<uInt>(target.Bytes().size())), entry.Crc32);
            } else {
                ASSERT_EQ(target.Size(), 0) << DescribeExtractResult(result);
            }
        }
    }
}

TEST(ZipArchive, FailedExtractionIntoAFileLeavesItAsItWas) {
    testing::TTempDir dir;
    TDamageFixture fixture;
    fixture.bytes[30 + 9 + 12 + 5] ^= 1;
    TOpened opened(fixture.bytes);
    {
        TFileStream file(dir / "out.txt", TFileStream::TMode::Create);
        file.Write("keep", 4);
        opened.archive.ExtractToStream("app/a.txt", file);
        file.Close();
    }
    EXPECT_EQ(testing::ReadFile(dir / "out.txt"), BytesOf("keep"));
}

// An end record of our own inside the archive comment, pointing at a directory of `planted`
// alone, followed by more comment text: it does not end where the data ends.
TBytes WithEndRecordPlantedInTheComment(TBytes bytes, std::size_t plantedRecord, std::size_t plantedSize) {
    const std::size_t endRecord = bytes.size() - kEndOfCentralDirectorySize;
    std::uint8_t planted[kEndOfCentralDirectorySize] = {};
    PutU32(planted, kEndOfCentralDirectorySignature);
    PutU16(planted + 8, 1);
    PutU16(planted + 10, 1);
    PutU32(planted + 12, static_cast<std::uint32_t>(plantedSize));
    PutU32(planted + 16, static_cast<std::uint32_t>(plantedRecord));
    TBytes comment(planted, planted + sizeof planted);
    const TBytes text = BytesOf(" and the rest of the comment");
    comment.insert(comment.end(), text.begin(), text.end());
    PutU16(&bytes[endRecord + 20], static_cast<std::uint16_t>(comment.size()));
    bytes.insert(bytes.end(), comment.begin(), comment.end());
    return bytes;
}

TEST(ZipArchive, EndRecordInsideTheCommentDoesNotReplaceTheRealOne) {
    const TBytes bytes = MakeArchive({{"real.txt", BytesOf("real")}, {"evil.txt", BytesOf("evil")}}, kPassword);
    const std::size_t central = GetU32(&bytes[bytes.size() - kEndOfCentralDirectorySize + 16]);
    const std::size_t second = central + kCentralHeaderSize + 8;
    TOpened opened(WithEndRecordPlantedInTheComment(bytes, second, kCentralHeaderSize + 8));
    ASSERT_EQ(opened.archive.FileCount(), 2);
    EXPECT_EQ(opened.archive.FileInfo(0).Name, "real.txt");
    EXPECT_EQ(Extract(opened.archive, "real.txt"), "real");
    EXPECT_EQ(Extract(opened.archive, "evil.txt"), "evil");
}

TEST(ZipArchive, BytesAppendedAfterTheArchiveAreLeftAlone) {
    // Signing a packaged executable appends the signature after the archive.
    TBytes bytes = MakeArchive({{"app/a.txt", BytesOf("alpha")}}, kPassword);
    const TBytes signature(3000, 0x30);
    bytes.insert(bytes.end(), signature.begin(), signature.end());
    TOpened opened(bytes);
    ASSERT_EQ(opened.archive.FileCount(), 1);
    EXPECT_EQ(Extract(opened.archive, "app/a.txt"), "alpha");
}

TEST(ZipArchive, EntryCountThatWrappedIsRefused) {
    // 70,000 entries behind a classic end record, whose count keeps 70,000 mod 65,536 = 4,464.
    // Every central record points at the same local entry; only the directory matters here.
    TBytes bytes = MakeArchive({{"a", {}}}, kPassword);
    const std::size_t endRecord = bytes.size() - kEndOfCentralDirectorySize;
    const std::size_t central = GetU32(&bytes[endRecord + 16]);
    const TBytes record(bytes.begin() + static_cast<long>(central), bytes.begin() + static_cast<long>(endRecord));
    const TBytes end(bytes.begin() + static_cast<long>(endRecord), bytes.end());
    bytes.resize(central);
    constexpr std::uint32_t kEntries = 70000;
    for (std::uint32_t i = 0; i < kEntries; ++i) bytes.insert(bytes.end(), record.begin(), record.end());
    bytes.insert(bytes.end(), end.begin(), end.end());
    std::uint8_t* wrapped = &bytes[bytes.size() - kEndOfCentralDirectorySize];
    PutU16(wrapped + 8, static_cast<std::uint16_t>(kEntries));
    PutU16(wrapped + 10, static_cast<std::uint16_t>(kEntries));
    PutU32(wrapped + 12, static_cast<std::uint32_t>(record.size() * kEntries));

    TMemoryStream stream(bytes);
    TZipArchive archive;
    try {
        archive.Open(stream);
        FAIL() << "opened, listing " << archive.FileCount() << " entries";
    } catch (const EArchiveError& error) {
        EXPECT_STREQ(error.what(),
                     "The ZIP central directory holds more entries than its end record counts "
                     "(65,535 entries or more need ZIP64, which is not supported)");
    }
    EXPECT_EQ(archive.FileCount(), 0);
}

TEST(ZipWriter, RefusesTheEntryThatWouldMakeTheCountReadAsZip64) {
    // 0xFFFF in the end record's count means ZIP64; 65,534 entries is the most it can say.
    const TPreparedZipEntry entry = PrepareZipEntry("e", {}, kPassword, {});
    TMemoryStream stream;
    TZipWriter writer(stream);
    for (int i = 0; i < 65534; ++i) writer.Add(entry);
    const std::int64_t written = stream.Size();
    try {
        writer.Add(entry);
        FAIL() << "the 65,535th entry was added";
    } catch (const EArchiveError& error) {
        EXPECT_STREQ(error.what(), "The archive would hold more than 65,534 files");
    }
    EXPECT_EQ(stream.Size(), written) << "a refused entry writes nothing";
    writer.Finish();
    TMemoryStream archiveStream(stream.Bytes());
    TZipArchive archive;
    archive.Open(archiveStream);
    EXPECT_EQ(archive.FileCount(), 65534);
}

// A target that takes `room` bytes and then fails as a full disk does.
class TFullDiskStream final : public TStream {
public:
    explicit TFullDiskStream(std::size_t room) : room_(room) {}
    std::size_t Read(void* buffer, std::size_t count) override { return bytes_.Read(buffer, count); }
    void Write(const void* buffer, std::size_t count) override {
        if (bytes_.Size() + static_cast<std::int64_t>(count) > static_cast<std::int64_t>(room_))
            throw EFileError("Cannot write file \"WebView2LoaderWin64.dll\". No space left on device");
        bytes_.Write(buffer, count);
    }
    std::int64_t Position() const override { return bytes_.Position(); }
    void SetPosition(std::int64_t position) override { bytes_.SetPosition(position); }
    std::int64_t Size() const override { return bytes_.Size(); }
    void SetSize(std::int64_t size) override { bytes_.SetSize(size); }
    std::string Text() const { return bytes_.ToString(); }

private:
    TMemoryStream bytes_;
    std::size_t room_;
};

TEST(ZipArchive, TargetThatCannotBeWrittenRaisesItsError) {
    TBytes large = testing::PseudoRandomBytes(3 << 20, 9);
    const TBytes text = BytesOf(std::string(2 << 20, 't'));
    large.insert(large.end(), text.begin(), text.end());
    TOpened opened(MakeArchive({{"stored", testing::PseudoRandomBytes(200000, 3)},
                                {"deflated", BytesOf(std::string(300000, 'd')), true},
                                {"large", large, true}},
                               kPassword));
    struct TCase {
        const char* name;
        bool intoTheMiddle;  // the extraction goes through a scratch stream first
    };
    for (const TCase& c : {TCase{"stored", false}, TCase{"deflated", false}, TCase{"large", false},
                           TCase{"stored", true}}) {
        SCOPED_TRACE(::testing::Message() << c.name << (c.intoTheMiddle ? ", into the middle" : ", appended"));
        for (const bool checked : {false, true}) {
            TFullDiskStream target(100000);
            target.Write("keep", 4);
            if (c.intoTheMiddle) target.SetPosition(2);
            try {
                if (checked)
                    opened.archive.ExtractToStreamChecked(c.name, target);
                else
                    opened.archive.ExtractToStream(c.name, target);
                FAIL() << "the write failure was swallowed";
            } catch (const EFileError& error) {
                EXPECT_STREQ(error.what(), "Cannot write file \"WebView2LoaderWin64.dll\". No space left on device");
            }
            EXPECT_EQ(target.Text(), "keep");
        }
    }
}

TEST(ZipCrc, ShiftThroughZerosMatchesCrc32OverZeros) { testing::ExpectShiftMatchesCrc32OverZeros(); }

TEST(ZipCrc, FirstKeyOfTheCipherGivesTheCrcOfThePlainBytes) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{100000}}) {
        SCOPED_TRACE(size);
        TBytes data = testing::PseudoRandomBytes(size, 11);
        const auto crc = static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
        TZipCipher cipher(kPassword);
        const std::uint32_t before = cipher.Key0();
        cipher.Encrypt(data.data(), data.size());
        EXPECT_EQ(Crc32FromKey0(before, cipher.Key0(), size), crc);
    }
}

}  // namespace
}  // namespace vellum
