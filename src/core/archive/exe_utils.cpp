#include "core/archive/exe_utils.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <system_error>

#include "core/archive/elf_image.h"
#include "core/archive/pe_image.h"
#include "core/errors.h"

namespace vellum {

namespace {

constexpr std::size_t kCopyBufferSize = 10240;

}  // namespace

std::int64_t TExeUtils::GetFileSizeOfPath(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<std::int64_t>(size);
}

std::int64_t TExeUtils::GetOwnFileSize() const {
    return GetFileSizeOfPath(executable_.Path());
}

std::uint32_t TExeUtils::GetImageEnd() const {
    return executable_.ImageEnd();
}

bool TExeUtils::ExeHasAttachedStub() const {
    const std::int64_t size = GetOwnFileSize();
    return size >= 0 && size - GetImageEnd() > 0;
}

std::int64_t TExeUtils::OwnArchiveSizeOrExit() const {
    const std::int64_t count = GetOwnFileSize() - GetImageEnd();
    // A file shorter than its own image (or unreadable) carries no archive either.
    if (count <= 0) executable_.ReportNoArchiveAndExit();
    return count;
}

void TExeUtils::CopyWithProgress(TStream& source, TStream& target, std::int64_t count) {
    if (FOnProgressMax) FOnProgressMax(*this, count);
    auto buffer = std::make_unique<std::uint8_t[]>(kCopyBufferSize);
    std::int64_t total = 0;
    while (total < count) {
        const std::size_t read = source.Read(buffer.get(), kCopyBufferSize);
        if (read == 0) break;
        target.Write(buffer.get(), read);
        total += static_cast<std::int64_t>(read);
        if (FOnProgressPos) FOnProgressPos(*this, total);
    }
}

void TExeUtils::GetZipFromExe(TMemoryStream& stream) {
    const std::int64_t count = OwnArchiveSizeOrExit();
    stream.SetPosition(0);
    stream.Reserve(count);
    TFileStream file(executable_.Path(), TFileStream::TMode::OpenRead);
    file.SetPosition(GetImageEnd());
    CopyWithProgress(file, stream, count);
    // Whatever the stream held beyond the archive would read as part of it.
    stream.SetSize(stream.Position());
}

std::unique_ptr<TMappedFile> TExeUtils::MapZipFromExe() {
    const std::int64_t count = OwnArchiveSizeOrExit();
    auto mapped = std::make_unique<TMappedFile>(executable_.Path(), GetImageEnd());
    // The file's size was read twice; a file that changed in between is not the one checked.
    if (mapped->Size() != count) throw EFileError("The executable's file changed while it was being opened");
    return mapped;
}

void TExeUtils::ExtractZipFromExe(const std::filesystem::path& zipPath) {
    const std::int64_t count = OwnArchiveSizeOrExit();
    TFileStream zip(zipPath, TFileStream::TMode::Create);
    TFileStream file(executable_.Path(), TFileStream::TMode::OpenRead);
    file.SetPosition(GetImageEnd());
    CopyWithProgress(file, zip, count);
    zip.Close();
}

void TExeUtils::AppendZipToExe(const std::filesystem::path& zipPath, const std::filesystem::path& exePath) {
    TFileStream zip(zipPath, TFileStream::TMode::OpenRead);
    TFileStream exe(exePath, TFileStream::TMode::OpenReadWrite);
    exe.SetPosition(GetFileSizeOfPath(exePath));
    CopyWithProgress(zip, exe, GetFileSizeOfPath(zipPath));
    exe.Close();
}

std::optional<TArchiveLocation> TExeUtils::LocateArchive(const std::filesystem::path& exePath) {
    // A named pipe or device would be waited on when opened; it holds no program image anyway.
    std::error_code error;
    if (!std::filesystem::is_regular_file(exePath, error)) return std::nullopt;
    if (const auto elfEnd = ComputeElfImageEndOfFile(exePath)) {
        // An image end beyond what a signed 64-bit size holds is beyond any real file.
        const auto end = static_cast<std::int64_t>(std::min<std::uint64_t>(*elfEnd, INT64_MAX));
        return TArchiveLocation{TImageFormat::Elf, end, GetFileSizeOfPath(exePath)};
    }
    const auto imageEnd = ComputePeImageEndOfFile(exePath);
    if (!imageEnd) return std::nullopt;
    return TArchiveLocation{TImageFormat::Pe, *imageEnd, GetFileSizeOfPath(exePath)};
}

}  // namespace vellum
