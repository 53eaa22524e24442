// Archive reading beside libzip on the same archives, the bare cipher loop that bounds
// extraction of traditionally encrypted entries, and the reading of large settings files and
// resolution texts (both linear in their input).
#include <benchmark/benchmark.h>
#include <zip.h>

#include <memory>
#include <random>
#include <string>

#include "core/archive/zip_archive.h"
#include "core/archive/zip_crypto.h"
#include "core/archive/zip_writer.h"
#include "core/settings/app_settings.h"
#include "core/text/str_utils.h"

namespace {

using namespace vellum;

const std::string kPassword = "benchmark-password";
constexpr std::size_t kLargeSize = 100 * 1000 * 1000;

std::vector<std::uint8_t> MakeArchive(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& files,
                                      bool deflate) {
    TMemoryStream stream;
    TZipWriter writer(stream);
    for (const auto& [name, data] : files) {
        TZipEntryOptions options;
        options.Deflate = deflate;
        writer.Add(PrepareZipEntry(name, data, kPassword, options));
    }
    writer.Finish();
    return stream.Bytes();
}

// Web-like content: text that deflates about as well as scripts and markup do.
std::vector<std::uint8_t> TextLike(std::size_t size, std::uint32_t seed) {
    static const char* words[] = {"function", "const",  "return", "div",      "class=", "span",
                                  "=>",       "{",      "}",      "\n",       "export", "import",
                                  "style",    "margin", "0px;",   "var(--x)", "width",  "height"};
    std::mt19937 random(seed);
    std::vector<std::uint8_t> data;
    data.reserve(size);
    while (data.size() < size) {
        const char* word = words[random() % std::size(words)];
        for (const char* c = word; *c && data.size() < size; ++c) data.push_back(static_cast<std::uint8_t>(*c));
        if (data.size() < size) data.push_back(' ');
    }
    return data;
}

const std::vector<std::uint8_t>& TenThousandEntries() {
    static const std::vector<std::uint8_t> archive = [] {
        std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
        for (int i = 0; i < 10000; ++i)
            files.emplace_back("app/assets/folder" + std::to_string(i / 100) + "/file" + std::to_string(i) + ".js",
                               TextLike(64, static_cast<std::uint32_t>(i)));
        return MakeArchive(files, false);
    }();
    return archive;
}

const std::vector<std::uint8_t>& LargeEntryArchive(bool deflate) {
    static const std::vector<std::uint8_t> stored = MakeArchive({{"app/big.bin", TextLike(kLargeSize, 1)}}, false);
    static const std::vector<std::uint8_t> deflated = MakeArchive({{"app/big.bin", TextLike(kLargeSize, 1)}}, true);
    return deflate ? deflated : stored;
}

void BM_Open10000Entries_Vellum(benchmark::State& state) {
    TMemoryStream stream(TenThousandEntries());
    for (auto _ : state) {
        TZipArchive archive;
        archive.Open(stream);
        benchmark::DoNotOptimize(archive.FindFile("app/assets/folder99/file9999.js"));
    }
}
BENCHMARK(BM_Open10000Entries_Vellum)->Unit(benchmark::kMillisecond);

void BM_Open10000Entries_Libzip(benchmark::State& state) {
    const auto& bytes = TenThousandEntries();
    for (auto _ : state) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (archive == nullptr) {
            state.SkipWithError("libzip cannot open the archive");
            zip_source_free(source);
            break;
        }
        benchmark::DoNotOptimize(zip_name_locate(archive, "app/assets/folder99/file9999.js", ZIP_FL_NOCASE));
        zip_discard(archive);
        zip_error_fini(&error);
    }
}
BENCHMARK(BM_Open10000Entries_Libzip)->Unit(benchmark::kMillisecond);

void BM_Extract100MB_Vellum(benchmark::State& state) {
    TMemoryStream stream(LargeEntryArchive(state.range(0) != 0));
    TZipArchive archive;
    archive.SetPassword(kPassword);
    archive.Open(stream);
    TMemoryStream target;
    for (auto _ : state) {
        target.SetSize(0);
        if (archive.ExtractToStreamChecked("app/big.bin", target) != TExtractResult::Ok) state.SkipWithError("failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kLargeSize));
}
BENCHMARK(BM_Extract100MB_Vellum)->Arg(0)->Arg(1)->ArgName("deflate")->Unit(benchmark::kMillisecond);

void BM_Extract100MB_Libzip(benchmark::State& state) {
    const auto& bytes = LargeEntryArchive(state.range(0) != 0);
    std::vector<std::uint8_t> target(kLargeSize);
    for (auto _ : state) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
        zip_file_t* file = archive ? zip_fopen_encrypted(archive, "app/big.bin", 0, kPassword.c_str()) : nullptr;
        if (file == nullptr) {
            state.SkipWithError("libzip cannot open the entry");
            break;
        }
        std::size_t done = 0;
        while (done < target.size()) {
            const zip_int64_t read = zip_fread(file, target.data() + done, target.size() - done);
            if (read <= 0) break;
            done += static_cast<std::size_t>(read);
        }
        zip_fclose(file);
        zip_discard(archive);
        if (done != kLargeSize) state.SkipWithError("short read");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kLargeSize));
}
BENCHMARK(BM_Extract100MB_Libzip)->Arg(0)->Arg(1)->ArgName("deflate")->Unit(benchmark::kMillisecond);

// The floor for stored entries: traditional decryption is a serial chain of key updates.
void BM_BareDecrypt100MB(benchmark::State& state) {
    std::vector<std::uint8_t> data = TextLike(kLargeSize, 2);
    for (auto _ : state) {
        TZipCipher cipher(kPassword);
        cipher.Decrypt(data.data(), data.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kLargeSize));
}
BENCHMARK(BM_BareDecrypt100MB)->Unit(benchmark::kMillisecond);

// Settings files of many sections: the time per header stays flat as the headers grow.
void BM_ReadSettingsSections(benchmark::State& state) {
    std::vector<std::string> lines;
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        lines.push_back("[Section" + std::to_string(i) + "]");
        lines.push_back("Key=" + std::to_string(i));
    }
    for (auto _ : state) {
        TAppSettings settings;
        settings.SetStrings(lines);
        benchmark::DoNotOptimize(settings.FindEntry("section0", "key"));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadSettingsSections)->Arg(10000)->Arg(40000)->Arg(160000)->Unit(benchmark::kMillisecond);

// A long run of digits that no "x<digit>" follows: one pass over the text.
void BM_StrToResolutionDigitRun(benchmark::State& state) {
    const std::string value = std::string(static_cast<std::size_t>(state.range(0)), '7') + "x";
    for (auto _ : state) {
        std::int32_t width = 0, height = 0;
        TStrUtils::StrToResolution(value, width, height);
        benchmark::DoNotOptimize(width);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StrToResolutionDigitRun)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
