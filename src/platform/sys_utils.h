#pragma once

#include <cstdint>
#include <string>
#include <vector>

// <windows.h> defines these names as macros; the operations keep their documented names.
#ifdef CopyFile
#undef CopyFile
#endif
#ifdef ExitWindows
#undef ExitWindows
#endif

namespace vellum {

// A bitmap that ExtractExeIcon draws into: top-down rows of 32-bit BGRA pixels.
struct TBitmap {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
};

// What TrueFontWidth measures with.
struct TFontSpec {
    std::string Name = "Tahoma";
    int Height = -11;  // pixels; negative for the character height, as fonts are usually given
    bool Bold = false;
    bool Italic = false;
};

// An opaque window handle (HWND on Windows).
using TWindowHandle = void*;

// Static operations on the operating system: special folders, shell execution, child
// processes, file operations, power actions, adapters, windows. Paths and texts are UTF-8.
// Operations that fail report it through their result; LastErrorCode then tells why (on
// Windows the system's last error, elsewhere an errno value; operations that have no honest
// equivalent on a platform set ENOTSUP there).
class TSysUtils {
public:
    TSysUtils() = delete;

    static std::string GetTempDirPath();
    static std::string GetUserDesktopDirPath();
    static std::string GetUserDocumentsDirPath();
    static std::string GetUserAppDataDirPath();
    static std::string GetLocalAppDataDirPath();
    static std::string GetProgramFilesDirPath();
    static std::string GetSystemAppsDirPath();
    static std::string GetParentDirPath(const std::string& Path);
    static std::string ExpandFileNameRelBaseDir(const std::string& FileName, const std::string& BaseDir);

    static bool ShellExec(const std::string& FilePath, const std::string& Arguments);
    static bool ShellOpen(const std::string& FilePath);
    static bool ShellExplore(const std::string& FilePath);
    static std::int32_t ShellExecAsAdminAndWait(TWindowHandle AHandle, const std::string& FilePath,
                                                const std::string& Params);
    static std::int32_t ExecAndWait(const std::string& CommandLine);
    static void ExecCmd(const std::string& CMD, bool Wait);
    static std::string GetDosOutput(const std::string& CommandLine, const std::string& WorkingDir, bool ShowWindow);
    static void EditWithMSPaint(const std::string& FilePath);
    static void RestartApplication();
    static bool ExitWindows(std::uint32_t RebootParam);

    static bool CopyFile(const std::string& FromPath, const std::string& ToPath);
    static bool CopyDirectory(const std::string& FromDirPath, const std::string& ToDirPath);
    static bool DeleteDirectory(const std::string& DirPath);
    static void GetDirectoryFiles(const std::string& RootDir, bool IncludeDirs, std::vector<std::string>& FileList,
                                  const std::string& FileMask);
    static std::int64_t GetSubdirectoriesCount(const std::string& DirPath);
    static std::int64_t GetSizeOfFile(const std::string& FilePath);
    static std::int64_t GetSizeOfDir(const std::string& DirPath, bool IncludeSubdirs);
    // Throws EFileError when either file is missing.
    static bool FilesHaveSameDateTime(const std::string& File1Path, const std::string& File2Path);
    static bool IsValidFilePath(const std::string& FileName);
    // Throws EFileError when the file cannot be opened or holds fewer than 3 bytes.
    static void RemoveUTFBoomFromFile(const std::string& FilePath);
    static std::string FormatByteSize(std::int64_t Bytes);
    static std::string GetLnkFilePath(const std::string& LnkFilePath);
    static bool ExtractExeIcon(const std::string& FilePath, TBitmap& Bitmap);
    static std::int32_t TrueFontWidth(const TFontSpec& AFont, const std::string& Str);
    static void PressKey(std::int32_t VirtualKey);
    static std::string GetUserFromWindows();
    static std::string GetComputerNetName();
    static void GetMacAddresses(std::vector<std::string>& List);
    static void GetWindowsCaptions(std::vector<std::string>& WindowsCaptionsList);
    static bool CheckEdgeIsInstalled(const std::string& EdgeLoaderDllPath);

    static std::uint32_t LastErrorCode();

    // The user's decimal separator, as FormatByteSize shows it.
    static std::string DecimalSeparator();
    // Whether the application has been asked to terminate (RestartApplication, a quit message).
    static bool ApplicationTerminated();

private:
    static std::string GetSpecialFolderPath(int csidl);
};

// The MAC-address entry for a type letter and six address bytes: "E,00:1A:2B:3C:4D:5E".
std::string FormatMacAddressEntry(char typeLetter, const std::uint8_t address[6]);

// The size text of FormatByteSize with a given decimal separator.
std::string FormatByteSizeWith(std::int64_t bytes, const std::string& decimalSeparator);

}  // namespace vellum
