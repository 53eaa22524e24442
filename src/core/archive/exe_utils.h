#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "core/stream/stream.h"
#include "core/system/mapped_file.h"
#include "core/system/own_executable.h"

namespace vellum {

class TExeUtils;
using TOnProgressMax = std::function<void(TExeUtils& sender, std::int64_t max)>;
using TOnProgressPos = std::function<void(TExeUtils& sender, std::int64_t position)>;

// The program image formats whose end is known: Windows' PE and Linux's ELF.
enum class TImageFormat { Pe, Elf };

// Where an executable file's program image ends and its attached archive begins.
struct TArchiveLocation {
    TImageFormat Format = TImageFormat::Pe;
    std::int64_t ImageEnd = 0;
    std::int64_t FileSize = 0;
    std::int64_t ArchiveSize() const { return FileSize - ImageEnd; }
    bool HasArchive() const { return ArchiveSize() > 0; }
};

// Finds, copies and appends the archive attached to an executable: the program image is
// followed directly by a ZIP file that runs to the end of the file, with no marker.
class TExeUtils {
public:
    TExeUtils() : TExeUtils(RunningExecutable()) {}
    explicit TExeUtils(const IOwnExecutable& executable) : executable_(executable) {}

    const TOnProgressMax& OnProgressMax() const { return FOnProgressMax; }
    void SetOnProgressMax(TOnProgressMax handler) { FOnProgressMax = std::move(handler); }
    const TOnProgressPos& OnProgressPos() const { return FOnProgressPos; }
    void SetOnProgressPos(TOnProgressPos handler) { FOnProgressPos = std::move(handler); }

    // True exactly when the running executable's file is longer than its program image.
    bool ExeHasAttachedStub() const;
    // Copies the running executable's archive into the stream from position 0.
    void GetZipFromExe(TMemoryStream& stream);
    // The running executable's archive mapped read-only where it lies, for reading entry by
    // entry: the same bytes GetZipFromExe copies, without the copy. The same check that there
    // is an archive (which may end the process); no progress is reported, as nothing is copied.
    std::unique_ptr<TMappedFile> MapZipFromExe();
    // Copies the running executable's archive into a new file, replacing any file there.
    void ExtractZipFromExe(const std::filesystem::path& zipPath);
    // Appends the ZIP file's bytes at the end of the executable, whatever the file holds.
    void AppendZipToExe(const std::filesystem::path& zipPath, const std::filesystem::path& exePath);

#ifdef _WIN32
    // Replaces the executable's main icon group "MAINICON" and its images with all the images
    // of an icon file (new images get identifiers 100, 101, ... in language 1033). Throws
    // EVellumError with the failed step's message; the executable is then left unchanged.
    void ChangeExeIcon(const std::filesystem::path& exePath, const std::filesystem::path& icoPath);

    // Rewrites the version-information texts in place, each within the room its value already
    // has (longer values are cut to that room), and stores the block in the neutral language.
    // Returns true when the rewritten block was written; false when the file or its version
    // information is missing or the write failed (the file is then unchanged).
    bool UpdateExeInfo(const std::filesystem::path& exePath, const std::string& CompanyName,
                       const std::string& FileDescription, const std::string& FileVersion,
                       const std::string& InternalName, const std::string& LegalCopyright,
                       const std::string& LegalTrademarks, const std::string& OriginalFileName,
                       const std::string& ProgramID, const std::string& ProductName, const std::string& ProductVersion,
                       const std::string& Comments);
#endif

    // The same layout rule applied to an executable file on disk, chosen by the file's format:
    // the PE rule for a file beginning with "MZ", the ELF rule for one beginning with the ELF
    // magic number. Nothing when it is neither, or a PE file without PE headers. Throws
    // EFileError when it cannot be read and EArchiveError for damaged ELF headers.
    static std::optional<TArchiveLocation> LocateArchive(const std::filesystem::path& exePath);

private:
    static std::int64_t GetFileSizeOfPath(const std::filesystem::path& path);
    std::int64_t GetOwnFileSize() const;
    std::uint32_t GetImageEnd() const;

    // Copies count bytes from the source's current position in blocks of 10,240 bytes,
    // reporting progress; stops early when a read returns nothing.
    void CopyWithProgress(TStream& source, TStream& target, std::int64_t count);
    // The archive's size, after the check that there is one (which may end the process).
    std::int64_t OwnArchiveSizeOrExit() const;

    const IOwnExecutable& executable_;
    TOnProgressMax FOnProgressMax;
    TOnProgressPos FOnProgressPos;
};

}  // namespace vellum
