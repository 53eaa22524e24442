#include <windows.h>

#include <iphlpapi.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "core/system/ansi_code_page.h"
#include "core/text/text_decoding.h"
#include "core/text/utf.h"
#include "platform/sys_utils.h"
#include "platform/win32/wide_string.h"

namespace vellum {

namespace {

std::string Narrow(const wchar_t* text, std::size_t length) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

std::string Narrow(const std::wstring& text) {
    return Narrow(text.data(), text.size());
}

std::string WithDelimiter(std::string path) {
    if (path.empty() || path.back() != '\\') path += '\\';
    return path;
}

bool g_terminated = false;
int g_quitCode = 0;

// Runs the messages waiting for this thread, as the application's own loop would. A quit
// message marks the application as asked to terminate.
void ProcessMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            g_terminated = true;
            g_quitCode = static_cast<int>(message.wParam);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The shell's file operation on one source path (and one destination), lists ending in two
// zero characters.
bool ShellFileOperation(UINT function, const std::string& from, const std::string* to, FILEOP_FLAGS flags,
                        bool checkAborted) {
    std::wstring source = Wide(from);
    source.append(2, L'\0');
    std::wstring target;
    if (to != nullptr) {
        target = Wide(*to);
        target.append(2, L'\0');
    }
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = function;
    operation.pFrom = source.c_str();
    operation.pTo = to != nullptr ? target.c_str() : nullptr;
    operation.fFlags = flags;
    const int result = SHFileOperationW(&operation);
    return result == 0 && !(checkAborted && operation.fAnyOperationsAborted);
}

std::vector<std::string> g_windowCaptions;  // filled by GetWindowsCaptions; not re-entrant

BOOL CALLBACK CollectCaption(HWND window, LPARAM) {
    const int length = GetWindowTextLengthW(window);
    if (length > 0) {
        std::wstring title(static_cast<std::size_t>(length) + 1, L'\0');
        const int copied = GetWindowTextW(window, title.data(), length + 1);
        title.resize(static_cast<std::size_t>(std::max(copied, 0)));
        const std::string caption = Narrow(title);
        try {
            if (!TrimText(caption).empty()) g_windowCaptions.push_back(caption);
        } catch (...) {
            // a caption that cannot be kept is skipped; the enumeration goes on
        }
    }
    return TRUE;
}

}  // namespace

std::uint32_t TSysUtils::LastErrorCode() {
    return GetLastError();
}

bool TSysUtils::ApplicationTerminated() {
    return g_terminated;
}

std::string TSysUtils::DecimalSeparator() {
    wchar_t separator[8] = {};
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    return length > 1 ? Narrow(separator, static_cast<std::size_t>(length - 1)) : ".";
}

std::string TSysUtils::GetSpecialFolderPath(int csidl) {
    wchar_t path[261] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path))) return {};
    return Narrow(path, wcslen(path));
}

std::string TSysUtils::GetSystemAppsDirPath() {
    return WithDelimiter(WithDelimiter(GetSpecialFolderPath(36)) + "SystemApps");
}

std::string TSysUtils::GetTempDirPath() {
    wchar_t temp[261] = {};
    wchar_t longPath[261] = {};
    std::string path;
    if (GetTempPathW(260, temp) != 0) {
        const DWORD length = GetLongPathNameW(temp, longPath, 260);
        if (length != 0 && length < 260) path = Narrow(longPath, length);
    }
    return WithDelimiter(path);
}

std::string TSysUtils::GetParentDirPath(const std::string& Path) {
    const std::wstring parent = Wide(Path + "\\..");
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(parent.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(parent.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    full.resize(length < full.size() ? length : 0);
    return WithDelimiter(Narrow(full));
}

std::string TSysUtils::ExpandFileNameRelBaseDir(const std::string& FileName, const std::string& BaseDir) {
    const std::wstring name = Wide(FileName);
    const std::string joined = PathIsRelativeW(name.c_str()) ? WithDelimiter(BaseDir) + FileName : FileName;
    const std::wstring path = Wide(joined);
    wchar_t canonical[MAX_PATH] = {};
    if (path.size() < MAX_PATH && PathCanonicalizeW(canonical, path.c_str()))
        return Narrow(canonical, wcslen(canonical));
    return joined;
}

bool TSysUtils::ShellExec(const std::string& FilePath, const std::string& Arguments) {
    const std::wstring file = Wide(FilePath);
    const std::wstring arguments = Wide(Arguments);
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(GetActiveWindow(), L"open", file.c_str(), arguments.c_str(), nullptr, SW_SHOWNORMAL));
    return result > 32;
}

bool TSysUtils::ShellOpen(const std::string& FilePath) {
    const std::wstring file = Wide(FilePath);
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(GetActiveWindow(), L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

bool TSysUtils::ShellExplore(const std::string& FilePath) {
    // No file name holds a double quote; one here would end the quoted path and hand the rest
    // to the file manager as further switches.
    if (FilePath.find('"') != std::string::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    const std::wstring parameters = Wide("/select, \"" + FilePath + "\"");
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(GetActiveWindow(), L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL));
    return result > 32;
}

std::int32_t TSysUtils::ShellExecAsAdminAndWait(TWindowHandle AHandle, const std::string& FilePath,
                                                const std::string& Params) {
    const std::wstring file = Wide(FilePath);
    const std::wstring parameters = Wide(Params);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = static_cast<HWND>(AHandle);
    info.fMask = 0x540;  // keep the process handle, no asynchronous completion, no error UI
    info.lpVerb = L"runas";
    info.lpFile = file.c_str();
    info.lpParameters = Params.empty() ? nullptr : parameters.c_str();
    info.nShow = SW_HIDE;
    if (!ShellExecuteExW(&info)) return 0;
    if (info.hProcess == nullptr) return 0;

    const bool terminatedBefore = g_terminated;
    DWORD exitCode = 0;
    for (;;) {
        ProcessMessages();
        if (!GetExitCodeProcess(info.hProcess, &exitCode)) break;
        if (exitCode != STILL_ACTIVE || g_terminated) break;
        // Sleep until the process ends or a message arrives, instead of spinning a core.
        MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, INFINITE, QS_ALLINPUT);
    }
    CloseHandle(info.hProcess);
    // A quit message taken here belongs to the application's own loop: hand it back.
    if (g_terminated && !terminatedBefore) PostQuitMessage(g_quitCode);
    return static_cast<std::int32_t>(exitCode);
}

std::int32_t TSysUtils::ExecAndWait(const std::string& CommandLine) {
    std::wstring command = Wide(CommandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0;
    DWORD exitCode = 0;
    if (WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<std::int32_t>(exitCode);
}

void TSysUtils::ExecCmd(const std::string& CMD, bool Wait) {
    std::wstring command = Wide(CMD);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0x220, nullptr, nullptr, &startup, &process))
        return;
    if (Wait) WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

std::string TSysUtils::GetDosOutput(const std::string& CommandLine, const std::string& WorkingDir, bool ShowWindow) {
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &security, 0)) return {};
    // Only the write end is the child's: the read end stays ours alone.
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = 0x101;  // use the standard handles and the show command
    startup.wShowWindow = ShowWindow ? SW_SHOWNORMAL : SW_HIDE;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    std::wstring command = Wide("cmd.exe /C " + CommandLine);
    const std::wstring folder = Wide(WorkingDir);
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        WorkingDir.empty() ? nullptr : folder.c_str(), &startup, &process);
    CloseHandle(writeEnd);

    // Decoded once it is whole: a character of a multi-byte code page may span two reads, and
    // a zero byte the command wrote does not cut off the rest of its read.
    std::string bytes;
    if (started) {
        char chunk[4096];
        DWORD read = 0;
        while (ReadFile(readEnd, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return AnsiToUtf8(bytes);
}

void TSysUtils::EditWithMSPaint(const std::string& FilePath) {
    const std::string paint = WithDelimiter(GetSpecialFolderPath(37)) + "mspaint.exe";
    if (GetFileAttributesW(Wide(paint).c_str()) != INVALID_FILE_ATTRIBUTES) ShellExec(paint, "\"" + FilePath + "\"");
}

void TSysUtils::RestartApplication() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    ShellOpen(Narrow(path));
    g_terminated = true;
    PostQuitMessage(0);
}

bool TSysUtils::ExitWindows(std::uint32_t RebootParam) {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid))
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        CloseHandle(token);
    }
    return ExitWindowsEx(RebootParam, 0) != 0;
}

bool TSysUtils::CopyFile(const std::string& FromPath, const std::string& ToPath) {
    return ShellFileOperation(FO_COPY, FromPath, &ToPath, 0x90, true);
}

bool TSysUtils::CopyDirectory(const std::string& FromDirPath, const std::string& ToDirPath) {
    return ShellFileOperation(FO_COPY, FromDirPath, &ToDirPath, 0x294, true);
}

bool TSysUtils::DeleteDirectory(const std::string& DirPath) {
    return ShellFileOperation(FO_DELETE, DirPath, nullptr, 0x14, false);
}

void TSysUtils::GetDirectoryFiles(const std::string& RootDir, bool IncludeDirs, std::vector<std::string>& FileList,
                                  const std::string& FileMask) {
    FileList.clear();
    const DWORD attributes = GetFileAttributesW(Wide(RootDir).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    const std::string root = WithDelimiter(RootDir);
    const std::wstring pattern = Wide(root + FileMask);
    for (const bool directories : {true, false}) {
        if (directories && !IncludeDirs) continue;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(pattern.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            const bool isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (isDirectory != directories) continue;
            if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0) continue;
            FileList.push_back(root + Narrow(found.cFileName, wcslen(found.cFileName)));
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
}

std::int64_t TSysUtils::GetSubdirectoriesCount(const std::string& DirPath) {
    std::vector<std::string> entries;
    const DWORD attributes = GetFileAttributesW(Wide(DirPath).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
    std::int64_t count = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(WithDelimiter(DirPath) + "*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wcscmp(found.cFileName, L".") != 0 &&
            wcscmp(found.cFileName, L"..") != 0)
            ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

std::int64_t TSysUtils::GetSizeOfFile(const std::string& FilePath) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(FilePath).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return -1;
    FindClose(search);
    return static_cast<std::int64_t>((std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow);
}

std::string TSysUtils::GetLnkFilePath(const std::string& LnkFilePath) {
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::string target;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t path[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(Wide(LnkFilePath).c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_UNCPRIORITY)))
                target = Narrow(path, wcslen(path));
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(initialised)) CoUninitialize();
    return target;
}

bool TSysUtils::ExtractExeIcon(const std::string& FilePath, TBitmap& Bitmap) {
    HICON icon = ExtractIconW(GetModuleHandleW(nullptr), Wide(FilePath).c_str(), 0);
    if (icon == nullptr || icon == reinterpret_cast<HICON>(1)) return false;
    ICONINFO info{};
    int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
    if (GetIconInfo(icon, &info)) {
        BITMAP bitmap{};
        if (GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap)) {
            width = bitmap.bmWidth;
            height = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
        }
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
    }
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = -height;  // top-down
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    void* pixels = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP section = CreateDIBSection(screen, &header, DIB_RGB_COLORS, &pixels, nullptr, 0);
    bool drawn = false;
    if (section != nullptr && memory != nullptr) {
        HGDIOBJ previous = SelectObject(memory, section);
        drawn = DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL) != 0;
        GdiFlush();
        SelectObject(memory, previous);
        Bitmap.Width = width;
        Bitmap.Height = height;
        const auto* source = static_cast<const std::uint32_t*>(pixels);
        Bitmap.Pixels.assign(source, source + static_cast<std::size_t>(width) * height);
    }
    if (section != nullptr) DeleteObject(section);
    if (memory != nullptr) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    DestroyIcon(icon);
    return drawn;
}

std::int32_t TSysUtils::TrueFontWidth(const TFontSpec& AFont, const std::string& Str) {
    HDC screen = GetDC(nullptr);
    HFONT font = CreateFontW(AFont.Height, 0, 0, 0, AFont.Bold ? FW_BOLD : FW_NORMAL, AFont.Italic, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, Wide(AFont.Name).c_str());
    HGDIOBJ previous = SelectObject(screen, font);
    const std::wstring text = Wide(Str);
    SIZE size{};
    GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return size.cx;
}

void TSysUtils::PressKey(std::int32_t VirtualKey) {
    const auto key = static_cast<BYTE>(VirtualKey);
    const auto scan = static_cast<BYTE>(MapVirtualKeyW(static_cast<UINT>(VirtualKey), MAPVK_VK_TO_VSC));
    keybd_event(key, scan, KEYEVENTF_EXTENDEDKEY, 0);
    keybd_event(key, scan, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
}

std::string TSysUtils::GetUserFromWindows() {
    wchar_t name[260] = {};
    DWORD length = 260;
    if (!GetUserNameW(name, &length)) return "Unknown";
    return Narrow(name, wcslen(name));
}

std::string TSysUtils::GetComputerNetName() {
    wchar_t name[256] = {};
    DWORD length = 256;
    if (!GetComputerNameW(name, &length)) return {};
    return Narrow(name, length);
}

void TSysUtils::GetMacAddresses(std::vector<std::string>& List) {
    List.clear();
    DWORD count = 0;
    if (GetNumberOfInterfaces(&count) != NO_ERROR || count == 0) return;
    std::vector<IP_ADAPTER_INFO> records(count);  // zero-filled
    ULONG size = static_cast<ULONG>(records.size() * sizeof(IP_ADAPTER_INFO));
    GetAdaptersInfo(records.data(), &size);  // on failure the records stay zero and are skipped below
    for (const IP_ADAPTER_INFO& record : records) {
        const char letter = record.Type == MIB_IF_TYPE_ETHERNET ? 'E' : record.Type == IF_TYPE_IEEE80211 ? 'W' : 'U';
        const std::string entry = FormatMacAddressEntry(letter, record.Address);
        if (entry != std::string(1, letter) + ",00:00:00:00:00:00") List.push_back(entry);
    }
}

void TSysUtils::GetWindowsCaptions(std::vector<std::string>& WindowsCaptionsList) {
    g_windowCaptions.clear();
    EnumWindows(CollectCaption, 0);
    WindowsCaptionsList = g_windowCaptions;
}

bool TSysUtils::CheckEdgeIsInstalled(const std::string& EdgeLoaderDllPath) {
    const std::wstring path = Wide(EdgeLoaderDllPath);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    HMODULE library = LoadLibraryW(path.c_str());
    if (library == nullptr) return false;
    using TGetVersion = HRESULT(STDAPICALLTYPE*)(PCWSTR, LPWSTR*);
    const auto getVersion = reinterpret_cast<TGetVersion>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetAvailableCoreWebView2BrowserVersionString")));
    bool installed = false;
    if (getVersion != nullptr) {
        LPWSTR version = nullptr;
        getVersion(nullptr, &version);  // the status is not examined: the string decides
        installed = version != nullptr && version[0] != L'\0';
        if (version != nullptr) CoTaskMemFree(version);
    }
    FreeLibrary(library);
    return installed;
}

}  // namespace vellum
