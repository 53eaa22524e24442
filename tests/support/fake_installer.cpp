// A stand-in for the WebView2 runtime installer, for the installation-flow tests.
//   - writes the WEBVIEW2_* variables it sees (one "NAME=value" or "NAME absent" line each)
//     and its arguments to the file named by VELLUM_ENV_DUMP, when set;
//   - waits VELLUM_INSTALL_MILLISECONDS (default 0), so the busy window can be looked at;
//   - when VELLUM_INSTALL_SUCCEEDS is 1, "installs the runtime": creates the file
//     Win64\runtime-installed beside itself, which the marker loader stand-in looks for.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int wmain(int argc, wchar_t** argv) {
    wchar_t value[4096];
    if (GetEnvironmentVariableW(L"VELLUM_ENV_DUMP", value, 4096) > 0) {
        if (FILE* dump = _wfopen(value, L"w, ccs=UTF-8")) {
            for (const wchar_t* name :
                 {L"WEBVIEW2_USER_DATA_FOLDER", L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS",
                  L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", L"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE"}) {
                if (GetEnvironmentVariableW(name, value, 4096) > 0)
                    fwprintf(dump, L"%ls=%ls\n", name, value);
                else
                    fwprintf(dump, L"%ls absent\n", name);
            }
            fwprintf(dump, L"arguments:");
            for (int i = 1; i < argc; ++i) fwprintf(dump, L" %ls", argv[i]);
            fwprintf(dump, L"\n");
            fclose(dump);
        }
    }
    if (GetEnvironmentVariableW(L"VELLUM_INSTALL_MILLISECONDS", value, 4096) > 0)
        Sleep(static_cast<DWORD>(_wtoi(value)));
    if (GetEnvironmentVariableW(L"VELLUM_INSTALL_SUCCEEDS", value, 4096) > 0 && std::wstring(value) == L"1") {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring marker(self);
        marker = marker.substr(0, marker.find_last_of(L'\\') + 1) + L"Win64\\runtime-installed";
        HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    return 0;
}
