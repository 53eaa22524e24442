// The parts of the system utilities that are the same on every platform.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "core/stream/stream.h"
#include "core/system/path_delimiter.h"
#include "core/text/utf.h"
#include "platform/sys_utils.h"

namespace vellum {

std::string FormatMacAddressEntry(char typeLetter, const std::uint8_t address[6]) {
    char text[32];
    std::snprintf(text, sizeof text, "%c,%02X:%02X:%02X:%02X:%02X:%02X", typeLetter, address[0], address[1], address[2],
                  address[3], address[4], address[5]);
    return text;
}

std::string FormatByteSizeWith(std::int64_t bytes, const std::string& decimalSeparator) {
    constexpr std::int64_t kKiB = 1024, kMiB = 1048576, kGiB = 1073741824;
    double value = static_cast<double>(bytes);
    const char* unit = "bytes";
    if (bytes > kGiB) {
        value /= kGiB, unit = "GB";
    } else if (bytes > kMiB) {
        value /= kMiB, unit = "MB";
    } else if (bytes > kKiB) {
        value /= kKiB, unit = "KB";
    }
    // "#.##": two optional decimals, rounded half away from zero.
    const double rounded = std::round(std::fabs(value) * 100.0);
    const auto hundredths = static_cast<std::int64_t>(rounded);
    std::string text = std::to_string(hundredths / 100);
    int decimals = static_cast<int>(hundredths % 100);
    if (decimals != 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%02d", decimals);
        std::string fraction(digits);
        if (fraction.back() == '0') fraction.pop_back();
        text += decimalSeparator + fraction;
    }
    if (value < 0 && hundredths != 0) text.insert(text.begin(), '-');
    return text + " " + unit;
}

namespace {

// Special folders end in a delimiter; a failed lookup gives a lone delimiter.
std::string SpecialFolder(std::string path) {
    if (path.empty() || path.back() != kPathDelimiter) path += kPathDelimiter;
    return path;
}

}  // namespace

std::string TSysUtils::GetUserDesktopDirPath() {
    return SpecialFolder(GetSpecialFolderPath(0));
}
std::string TSysUtils::GetUserDocumentsDirPath() {
    return SpecialFolder(GetSpecialFolderPath(5));
}
std::string TSysUtils::GetUserAppDataDirPath() {
    return SpecialFolder(GetSpecialFolderPath(26));
}
std::string TSysUtils::GetLocalAppDataDirPath() {
    return SpecialFolder(GetSpecialFolderPath(28));
}
std::string TSysUtils::GetProgramFilesDirPath() {
    return SpecialFolder(GetSpecialFolderPath(38));
}

std::string TSysUtils::FormatByteSize(std::int64_t Bytes) {
    return FormatByteSizeWith(Bytes, DecimalSeparator());
}

std::int64_t TSysUtils::GetSizeOfDir(const std::string& DirPath, bool IncludeSubdirs) {
    std::vector<std::string> entries;
    GetDirectoryFiles(DirPath, IncludeSubdirs, entries, "*.*");
    std::int64_t total = 0;
    for (const std::string& entry : entries) {
        const std::int64_t size = GetSizeOfFile(entry);
        if (size > 0) total += size;
    }
    return total;
}

bool TSysUtils::FilesHaveSameDateTime(const std::string& File1Path, const std::string& File2Path) {
    std::error_code error;
    const auto first = std::filesystem::last_write_time(PathFromUtf8(File1Path), error);
    if (error) throw EFileError("Cannot read the date of \"" + File1Path + "\". " + error.message());
    const auto second = std::filesystem::last_write_time(PathFromUtf8(File2Path), error);
    if (error) throw EFileError("Cannot read the date of \"" + File2Path + "\". " + error.message());
    const auto difference = first > second ? first - second : second - first;
    return difference < std::chrono::milliseconds(1);
}

bool TSysUtils::IsValidFilePath(const std::string& FileName) {
    if (FileName.empty()) return false;
#ifdef _WIN32
    // Characters no Windows file system takes, device names, and a colon anywhere but after a
    // drive letter.
    static const char* const kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                           "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                           "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    std::size_t start = 0;
    if (FileName.size() >= 2 && FileName[1] == ':' && std::isalpha(static_cast<unsigned char>(FileName[0]))) start = 2;
    std::size_t componentStart = start;
    for (std::size_t i = start; i <= FileName.size(); ++i) {
        const bool end = i == FileName.size() || FileName[i] == '\\' || FileName[i] == '/';
        if (!end) {
            const auto c = static_cast<unsigned char>(FileName[i]);
            if (c < 32 || std::string_view("<>:\"|?*").find(static_cast<char>(c)) != std::string_view::npos)
                return false;
            continue;
        }
        std::string component = FileName.substr(componentStart, i - componentStart);
        const std::string stem = component.substr(0, component.find('.'));
        std::string upper = stem;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
        for (const char* device : kDevices)
            if (upper == device) return false;
        componentStart = i + 1;
    }
    return true;
#else
    // POSIX names take every byte but NUL; each component has at most 255 bytes.
    std::size_t componentStart = 0;
    for (std::size_t i = 0; i <= FileName.size(); ++i) {
        if (i < FileName.size() && FileName[i] == '\0') return false;
        if (i == FileName.size() || FileName[i] == '/') {
            if (i - componentStart > 255) return false;
            componentStart = i + 1;
        }
    }
    return true;
#endif
}

void TSysUtils::RemoveUTFBoomFromFile(const std::string& FilePath) {
    TFileStream file(PathFromUtf8(FilePath), TFileStream::TMode::OpenReadWrite);
    std::uint8_t mark[3];
    if (!file.ReadExact(mark, sizeof mark))
        throw EFileError("Read error: \"" + FilePath + "\" is shorter than 3 bytes");
    if (mark[0] != 0xEF || mark[1] != 0xBB || mark[2] != 0xBF) return;
    constexpr std::size_t kStep = 1 << 20;
    std::vector<std::uint8_t> rest;
    for (;;) {
        const std::size_t before = rest.size();
        rest.resize(before + kStep);
        const std::size_t read = file.Read(rest.data() + before, kStep);
        rest.resize(before + read);
        if (read == 0) break;
    }
    file.SetPosition(0);
    file.Write(rest.data(), rest.size());
    file.SetSize(static_cast<std::int64_t>(rest.size()));
    file.Close();
}

}  // namespace vellum
