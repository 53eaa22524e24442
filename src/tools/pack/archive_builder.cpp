#include "tools/pack/archive_builder.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "core/archive/calculations.h"
#include "core/archive/zip_writer.h"
#include "core/errors.h"
#include "core/text/utf.h"

namespace vellum::pack {

namespace {

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    TFileStream file(path, TFileStream::TMode::OpenRead);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
    if (!file.ReadExact(bytes.data(), bytes.size()))
        throw EFileError("Cannot read file \"" + PathToUtf8(path) + "\": it changed while being packed");
    return bytes;
}

std::int64_t UnixModificationTime(const std::filesystem::path& path) {
    const auto fileTime = std::filesystem::last_write_time(path);
    const auto systemTime = std::chrono::file_clock::to_sys(fileTime);
    return std::chrono::duration_cast<std::chrono::seconds>(systemTime.time_since_epoch()).count();
}

TPreparedZipEntry Prepare(const TArchiveInput& input, const std::string& password, bool deflate) {
    TZipEntryOptions options;
    options.Deflate = deflate;
    ToDosDateTime(UnixModificationTime(input.Source), options.ModTime, options.ModDate);
    return PrepareZipEntry(input.EntryName, ReadWholeFile(input.Source), password, options);
}

TArchiveInput InputFor(std::string entryName, const std::filesystem::path& source) {
    if (!std::filesystem::is_regular_file(source)) throw EFileError("\"" + PathToUtf8(source) + "\" is not a file");
    return {std::move(entryName), source, static_cast<std::int64_t>(std::filesystem::file_size(source))};
}

}  // namespace

std::vector<TArchiveInput> CollectArchiveInputs(const std::filesystem::path& projectDir, const std::string& dirName,
                                                const std::optional<std::filesystem::path>& loader,
                                                const std::optional<std::filesystem::path>& installer) {
    std::vector<TArchiveInput> inputs;
    inputs.push_back(InputFor("vlm.ini", projectDir / "vlm.ini"));
    if (std::filesystem::is_regular_file(projectDir / "vlm-webviewjs"))
        inputs.push_back(InputFor("vlm-webviewjs", projectDir / "vlm-webviewjs"));
    if (loader) inputs.push_back(InputFor("WebView2LoaderWin64.dll", *loader));
    if (installer) inputs.push_back(InputFor("WebView2Installer.exe", *installer));

    const std::filesystem::path appDir = projectDir / PathFromUtf8(dirName);
    std::vector<TArchiveInput> appFiles;
    for (const auto& item : std::filesystem::recursive_directory_iterator(appDir)) {
        if (!item.is_regular_file()) continue;
        std::string relative = PathToUtf8(item.path().lexically_relative(appDir));
        std::replace(relative.begin(), relative.end(), '\\', '/');
        appFiles.push_back({dirName + "/" + relative, item.path(), static_cast<std::int64_t>(item.file_size())});
    }
    std::sort(appFiles.begin(), appFiles.end(),
              [](const TArchiveInput& a, const TArchiveInput& b) { return a.EntryName < b.EntryName; });
    inputs.insert(inputs.end(), std::make_move_iterator(appFiles.begin()), std::make_move_iterator(appFiles.end()));
    return inputs;
}

void WriteArchive(const std::vector<TArchiveInput>& inputs, TStream& target, const TArchiveWriteOptions& options) {
    const std::string password = ArchivePassword();
    std::int64_t total = 0;
    for (const TArchiveInput& input : inputs) total += input.Size;

    const unsigned threads = std::max(1u, options.Threads != 0 ? options.Threads : std::thread::hardware_concurrency());
    // Entries ready but not yet written stay within this many, so memory stays bounded.
    const std::size_t window = std::size_t{threads} * 4;

    struct TSlot {
        std::optional<TPreparedZipEntry> Entry;
        std::exception_ptr Error;
    };
    std::vector<TSlot> slots(inputs.size());
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t nextToPrepare = 0;
    std::size_t nextToWrite = 0;
    bool stopping = false;

    auto worker = [&] {
        for (;;) {
            std::size_t index;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] {
                    return stopping || nextToPrepare >= inputs.size() || nextToPrepare < nextToWrite + window;
                });
                if (stopping || nextToPrepare >= inputs.size()) return;
                index = nextToPrepare++;
            }
            TSlot result;
            try {
                result.Entry = Prepare(inputs[index], password, options.Deflate);
            } catch (...) {
                result.Error = std::current_exception();
            }
            {
                std::lock_guard lock(mutex);
                slots[index] = std::move(result);
            }
            changed.notify_all();
        }
    };

    std::vector<std::thread> pool;
    for (unsigned i = 0; i < threads; ++i) pool.emplace_back(worker);
    auto stopPool = [&] {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        for (std::thread& thread : pool) thread.join();
    };

    try {
        TZipWriter writer(target);
        std::int64_t done = 0;
        for (std::size_t index = 0; index < inputs.size(); ++index) {
            TSlot slot;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return slots[index].Entry || slots[index].Error; });
                slot = std::move(slots[index]);
                nextToWrite = index + 1;
            }
            changed.notify_all();
            if (slot.Error) std::rethrow_exception(slot.Error);
            writer.Add(*slot.Entry);
            done += inputs[index].Size;
            if (options.OnProgress) options.OnProgress(done, total);
        }
        writer.Finish();
    } catch (...) {
        stopPool();
        throw;
    }
    stopPool();
}

}  // namespace vellum::pack
