#include "tools/pack/archive_builder.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>

#include "core/archive/calculations.h"
#include "core/archive/zip_writer.h"
#include "core/errors.h"
#include "core/text/ascii_case.h"
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

TZipEntryOptions EntryOptions(const TArchiveInput& input, bool deflate) {
    TZipEntryOptions options;
    options.Deflate = deflate;
    ToDosDateTime(UnixModificationTime(input.Source), options.ModTime, options.ModDate);
    return options;
}

TPreparedZipEntry Prepare(const TArchiveInput& input, const std::string& password, bool deflate) {
    const TZipEntryOptions options = EntryOptions(input, deflate);
    return PrepareZipEntry(input.EntryName, ReadWholeFile(input.Source), password, options);
}

// Files up to this size are prepared whole in memory on the worker threads; larger ones are
// streamed into the archive block by block, so that memory does not grow with a file's size.
constexpr std::int64_t kStreamedEntrySize = 1 << 20;
// What the prepared entries waiting to be written may add up to (each entry is held about
// twice: its file's bytes, then the encrypted ones).
constexpr std::int64_t kPreparedBytesBudget = 32 << 20;

bool IsStreamed(const TArchiveInput& input) {
    return input.Size > kStreamedEntrySize;
}

void AddStreamedFile(TZipWriter& writer, const TArchiveInput& input, const std::string& password, bool deflate) {
    TFileStream file(input.Source, TFileStream::TMode::OpenRead);
    const TZipEntryOptions options = EntryOptions(input, deflate);
    const std::int64_t size = file.Size();
    try {
        writer.AddStreamed(input.EntryName, file, static_cast<std::uint64_t>(size), password, options);
    } catch (const EFileError&) {
        // The writer knows the entry's name; the user needs the file's.
        throw EFileError("Cannot read file \"" + PathToUtf8(input.Source) + "\": it changed while being packed");
    }
}

TArchiveInput InputFor(std::string entryName, const std::filesystem::path& source) {
    if (!std::filesystem::is_regular_file(source)) throw EFileError("\"" + PathToUtf8(source) + "\" is not a file");
    return {std::move(entryName), source, static_cast<std::int64_t>(std::filesystem::file_size(source))};
}

// The resolved target of a symbolic link that leads out of the given folders (directly or
// through further links); nothing for other files and for links that stay inside.
std::optional<std::filesystem::path> LinkTargetOutside(const std::filesystem::path& path,
                                                       const std::vector<std::filesystem::path>& roots) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) return std::nullopt;
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    if (error) return std::nullopt;  // a loop: reading it fails later with the system's reason
    for (const std::filesystem::path& root : roots) {
        const std::filesystem::path inside = target.lexically_relative(root);
        if (!inside.empty() && *inside.begin() != "..") return std::nullopt;
    }
    return target;
}

// Entry names write '\' as '/', and the archive finds entries with A to Z folded and serves the
// first of several that match: a second such file would be packed but never read.
void RefuseCollidingNames(const std::vector<TArchiveInput>& inputs, const std::filesystem::path& projectDir) {
    std::map<std::string, const TArchiveInput*> seen;
    std::string collisions;
    for (const TArchiveInput& input : inputs) {
        const auto [first, added] = seen.emplace(FoldAsciiCase(input.EntryName), &input);
        if (added) continue;
        const auto shown = [&](const TArchiveInput& which) {
            return "'" + PathToUtf8(which.Source.lexically_relative(projectDir)) + "'";
        };
        collisions += "\n  " + shown(*first->second) + " and " + shown(input) + " both become the archive entry '" +
                      first->second->EntryName + "'";
    }
    if (!collisions.empty())
        throw EVellumError(
            "files whose names the archive cannot tell apart (it ignores the case of A to Z, and "
            "'\\' becomes '/'), so the app would only ever see the first:" +
            collisions + "\nrename one of each pair");
}

}  // namespace

TCollectedInputs CollectArchiveInputs(const std::filesystem::path& projectDir, const std::string& dirName,
                                      const std::optional<std::filesystem::path>& loader,
                                      const std::optional<std::filesystem::path>& installer) {
    TCollectedInputs collected;
    std::vector<TArchiveInput>& inputs = collected.Inputs;
    // The DirName folder is read wherever it leads, since the settings name it; links found in it
    // must stay within it or the project folder.
    const std::filesystem::path appDir = projectDir / PathFromUtf8(dirName);
    const std::vector<std::filesystem::path> roots = {std::filesystem::canonical(projectDir),
                                                      std::filesystem::canonical(appDir)};
    const auto leftOutLink = [&](const std::filesystem::path& path) {
        const auto target = LinkTargetOutside(path, roots);
        if (target)
            collected.Warnings.push_back("'" + PathToUtf8(path.lexically_relative(projectDir)) + "' is a link to '" +
                                         PathToUtf8(*target) +
                                         "', outside the project folder; it is left out of the archive");
        return target.has_value();
    };

    inputs.push_back(InputFor("vlm.ini", projectDir / "vlm.ini"));
    const std::filesystem::path pageScript = projectDir / "vlm-webviewjs";
    if (std::filesystem::is_regular_file(pageScript) && !leftOutLink(pageScript))
        inputs.push_back(InputFor("vlm-webviewjs", pageScript));
    if (loader) inputs.push_back(InputFor("WebView2LoaderWin64.dll", *loader));
    if (installer) inputs.push_back(InputFor("WebView2Installer.exe", *installer));

    std::vector<TArchiveInput> appFiles;
    for (const auto& item : std::filesystem::recursive_directory_iterator(appDir)) {
        if (item.is_symlink() && leftOutLink(item.path())) continue;
        if (!item.is_regular_file()) continue;
        std::string relative = PathToUtf8(item.path().lexically_relative(appDir));
        std::replace(relative.begin(), relative.end(), '\\', '/');
        appFiles.push_back({dirName + "/" + relative, item.path(), static_cast<std::int64_t>(item.file_size())});
    }
    std::sort(appFiles.begin(), appFiles.end(), [](const TArchiveInput& a, const TArchiveInput& b) {
        return std::tie(a.EntryName, a.Source) < std::tie(b.EntryName, b.Source);
    });
    inputs.insert(inputs.end(), std::make_move_iterator(appFiles.begin()), std::make_move_iterator(appFiles.end()));
    RefuseCollidingNames(inputs, projectDir);
    return collected;
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
    std::int64_t preparedBytes = 0;  // of entries taken by a worker and not yet written
    bool stopping = false;

    // The workers prepare the small entries ahead; the large ones are left to the writer,
    // which streams them when their turn comes.
    auto worker = [&] {
        for (;;) {
            std::size_t index;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] {
                    if (stopping || nextToPrepare >= inputs.size()) return true;
                    if (nextToPrepare >= nextToWrite + window) return false;
                    const std::int64_t size = IsStreamed(inputs[nextToPrepare]) ? 0 : inputs[nextToPrepare].Size;
                    return preparedBytes == 0 || preparedBytes + size <= kPreparedBytesBudget;
                });
                if (stopping || nextToPrepare >= inputs.size()) return;
                index = nextToPrepare++;
                if (IsStreamed(inputs[index])) continue;
                preparedBytes += inputs[index].Size;
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
            if (IsStreamed(inputs[index])) {
                {
                    std::lock_guard lock(mutex);
                    nextToWrite = index + 1;
                }
                changed.notify_all();
                AddStreamedFile(writer, inputs[index], password, options.Deflate);
                done += inputs[index].Size;
                if (options.OnProgress) options.OnProgress(done, total);
                continue;
            }
            TSlot slot;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return slots[index].Entry || slots[index].Error; });
                slot = std::move(slots[index]);
                nextToWrite = index + 1;
                preparedBytes -= inputs[index].Size;
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
