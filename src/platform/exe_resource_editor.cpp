#include "platform/exe_resource_editor.h"

#include <system_error>
#include <vector>

#include "core/errors.h"
#include "core/resources/icon_file.h"
#include "core/resources/pe_resources.h"
#include "core/stream/stream.h"
#include "core/text/utf.h"
#include "platform/file_replacement.h"

namespace vellum {

namespace {

constexpr std::uint16_t kGroupIconType = 14;
constexpr std::uint16_t kIconType = 3;
constexpr std::uint16_t kVersionType = 16;
const TResourceKey kMainIcon = TResourceKey::Of(u"MAINICON");

[[noreturn]] void Fail(const char* message) {
    throw EVellumError(message);
}

// A named pipe or a device could keep the open waiting forever: only regular files are read.
std::vector<std::uint8_t> ReadWhole(const std::filesystem::path& path, std::uint64_t limit, const char* tooLarge) {
    std::error_code error;
    if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error))
        throw EFileError("Cannot open file \"" + PathToUtf8(path) + "\". It is not a regular file");
    TFileStream file(path, TFileStream::TMode::OpenRead);
    const std::int64_t size = file.Size();
    if (static_cast<std::uint64_t>(size) > limit) Fail(tooLarge);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!bytes.empty() && !file.ReadExact(bytes.data(), bytes.size()))
        throw EFileError("Cannot read file \"" + PathToUtf8(path) + "\"");
    return bytes;
}

void WriteWhole(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    ReplaceFileContents(PathToUtf8(path), [&](TStream& stream) { stream.Write(bytes.data(), bytes.size()); });
}

// A PE image is at most 4 GiB; the runtime is a few megabytes.
constexpr std::uint64_t kMaxImageSize = 0xFFFFFFFFull;

}  // namespace

void TPeResourceEditor::ChangeExeIcon(const std::filesystem::path& exePath, const std::filesystem::path& icoPath) {
    const std::vector<std::uint8_t> icon = ReadWhole(icoPath, kMaxIconFileSize, "Icon file is too large");
    const auto images = ParseIconFile(icon);
    if (!images) Fail("Icon file is invalid");

    // The steps, and the message of each, are those of the system's resource update.
    std::error_code error;
    if (!std::filesystem::is_regular_file(exePath, error)) Fail("BeginUpdateResource failed (1)");
    auto image = TPeImage::Parse(ReadWhole(exePath, kMaxImageSize, "BeginUpdateResource failed (1)"));
    if (!image) Fail("BeginUpdateResource failed (1)");
    if (!image->HasResources()) Fail("FindResource failed (1)");
    auto resources = image->ReadResources();
    if (!resources) Fail("LoadLibraryEx failed (1)");
    const TResource* oldGroup = resources->FindAnyLanguage(TResourceKey::Of(kGroupIconType), kMainIcon);
    if (oldGroup == nullptr) Fail("FindResource failed (1)");
    const std::vector<std::uint8_t> oldGroupBytes = oldGroup->Data;

    // The old group and its images go, looked up in the file as it was.
    const TResourceTable before = *resources;
    const auto groupLanguage = before.FirstLanguage(TResourceKey::Of(kGroupIconType), kMainIcon);
    if (!groupLanguage) Fail("GetResourceLanguage failed (1)");
    resources->Erase(TResourceKey::Of(kGroupIconType), kMainIcon, *groupLanguage);
    for (const std::uint16_t id : IconGroupIds(oldGroupBytes)) {
        const auto language = before.FirstLanguage(TResourceKey::Of(kIconType), TResourceKey::Of(id));
        if (!language) Fail("GetResourceLanguage failed (2)");
        resources->Erase(TResourceKey::Of(kIconType), TResourceKey::Of(id), *language);
    }
    for (std::size_t i = 0; i < images->size(); ++i) {
        const TIconImage& part = (*images)[i];
        const auto begin = icon.begin() + part.Offset;
        resources->Put(TResourceKey::Of(kIconType), TResourceKey::Of(static_cast<std::uint16_t>(kFirstNewIconId + i)),
                       kNewIconLanguage, std::vector<std::uint8_t>(begin, begin + part.Size));
    }
    resources->Put(TResourceKey::Of(kGroupIconType), kMainIcon, kNewIconLanguage,
                   BuildIconGroup(oldGroupBytes, *images));

    if (!image->ReplaceResources(*resources)) Fail("EndUpdateResource failed");
    try {
        WriteWhole(exePath, image->Bytes());
    } catch (const EFileError&) {
        Fail("EndUpdateResource failed");
    }
}

bool TPeResourceEditor::UpdateExeInfo(const std::filesystem::path& exePath, const TVersionTexts& texts) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(exePath, error)) return false;
    try {
        auto image = TPeImage::Parse(ReadWhole(exePath, kMaxImageSize, "too large"));
        if (!image) return false;
        auto resources = image->ReadResources();
        if (!resources) return false;
        const TResourceKey type = TResourceKey::Of(kVersionType), name = TResourceKey::Of(1);
        const TResource* version = resources->FindAnyLanguage(type, name);
        if (version == nullptr || version->Data.empty()) return false;
        std::vector<std::uint8_t> block = version->Data;
        block.resize(VersionBlockSize(block));
        RewriteVersionTexts(block, texts);
        resources->Put(type, name, 0, std::move(block));
        if (!image->ReplaceResources(*resources)) return false;
        WriteWhole(exePath, image->Bytes());
        return true;
    } catch (const EVellumError&) {
        return false;  // unreadable or unwritable: the file stays as it was
    }
}

}  // namespace vellum
