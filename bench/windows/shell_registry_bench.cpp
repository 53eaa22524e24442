// Host overhead of the shell and registry functions on Windows (run under Wine): a page's
// shell.command beside starting the same "cmd.exe /C" directly with its output read from a
// pipe, and registry round trips (writeValue then readValue) per second, each through the
// whole bridge: the request text parsed, dispatched, answered as the page would receive it.
// Runs interleave the two sides of a comparison so that a busy machine slows both alike.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bridge/browser_external_module.h"
#include "core/archive/zip_archive.h"
#include "platform/win32/registry_service_win32.h"
#include "platform/win32/shell_service_win32.h"
#include "recording_page.h"

namespace vellum {
namespace {

using TClock = std::chrono::steady_clock;

double Milliseconds(TClock::duration elapsed) {
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The same command started by hand: cmd.exe with its standard output and error on a pipe that
// is read to the end, hidden, waited for.
std::string RunCmdDirectly(const std::wstring& commandLine) {
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &security, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    std::wstring command = commandLine;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    char chunk[4096];
    DWORD read = 0;
    while (started && ReadFile(readEnd, chunk, sizeof chunk, &read, nullptr) && read > 0) output.append(chunk, read);
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return output;
}

struct TBridge {
    TManualUiQueue queue;
    testing::TRecordingPage page;
    TWin32ShellService shell;
    TWin32RegistryService registry;
    TZipArchive archive;
    std::unique_ptr<TBrowserExternalModule> module;

    TBridge() {
        TBridgeServices services;
        services.Shell = &shell;
        services.Registry = &registry;
        module = std::make_unique<TBrowserExternalModule>(std::move(services), queue);
        module->ExeZip = &archive;
        module->BrowserForm = &page;
    }
    void Send(const std::string& json) {
        module->EdgeBrowserWebMessageReceived(TPageMessage{"", json});
        queue.Pump();
    }
};

int Run(int commandRuns, int registryRounds) {
    TBridge bridge;
    const std::string request = R"({"id":70003,"uuid":"b","data":{"command":"echo vellum"}})";
    std::vector<double> viaBridge, direct;
    std::string output;
    const auto timeBridge = [&] {
        const auto begin = TClock::now();
        bridge.Send(request);
        viaBridge.push_back(Milliseconds(TClock::now() - begin));
    };
    const auto timeDirect = [&] {
        const auto begin = TClock::now();
        output = RunCmdDirectly(L"cmd.exe /C echo vellum");
        direct.push_back(Milliseconds(TClock::now() - begin));
    };
    for (int run = 0; run < commandRuns; ++run) {
        // Each side goes first in every other run: the process before it may still be ending.
        if (run % 2 == 0) {
            timeBridge();
            timeDirect();
        } else {
            timeDirect();
            timeBridge();
        }
        if (output != "vellum\r\n") return std::fprintf(stderr, "direct cmd said: %s\n", output.c_str()), 1;
    }
    if (bridge.page.Answers.back().find("\"vellum\\r\\n\"") == std::string::npos)
        return std::fprintf(stderr, "shell.command answered: %s\n", bridge.page.Answers.back().c_str()), 1;
    const double bridgeMs = Median(viaBridge), directMs = Median(direct);
    const double bridgeBest = *std::min_element(viaBridge.begin(), viaBridge.end());
    const double directBest = *std::min_element(direct.begin(), direct.end());
    std::printf("shell.command \"echo vellum\", %d runs each: through the bridge median %.2f ms (best %.2f), "
                "cmd.exe /C directly median %.2f ms (best %.2f); host overhead median %+.2f ms, best %+.2f ms\n",
                commandRuns, bridgeMs, bridgeBest, directMs, directBest, bridgeMs - directMs, bridgeBest - directBest);

    const std::string key = "Software\\VellumBench\\" + std::to_string(GetCurrentProcessId());
    const std::string write =
        R"({"id":13001,"uuid":"w","data":{"key":")" + std::string("Software\\\\VellumBench\\\\") +
        std::to_string(GetCurrentProcessId()) + R"(","name":"counter","value":"some settings text"}})";
    const std::string read = R"({"id":13002,"uuid":"r","data":{"key":")" + std::string("Software\\\\VellumBench\\\\") +
                             std::to_string(GetCurrentProcessId()) + R"(","name":"counter"}})";
    const std::size_t answersBefore = bridge.page.Answers.size();
    TClock::duration bridgeTime{}, serviceTime{};
    for (int round = 0; round < registryRounds; ++round) {
        auto begin = TClock::now();
        bridge.Send(write);
        bridge.Send(read);
        bridgeTime += TClock::now() - begin;
        begin = TClock::now();
        bridge.registry.WriteString(key, "counter", "some settings text");
        bridge.registry.ReadString(key, "counter");
        serviceTime += TClock::now() - begin;
    }
    const double bridgeSeconds = Milliseconds(bridgeTime) / 1000;
    const double serviceSeconds = Milliseconds(serviceTime) / 1000;
    const bool answered = bridge.page.Answers.size() - answersBefore == 2u * static_cast<std::size_t>(registryRounds) &&
                          bridge.page.Answers.back().find("\"some settings text\"") != std::string::npos;
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VellumBench");
    if (!answered) return std::fprintf(stderr, "registry answers missing: %s\n", bridge.page.Answers.back().c_str()), 1;
    std::printf("registry writeValue+readValue: %.0f round trips/s through the bridge, %.0f/s the service alone "
                "(%d rounds)\n",
                registryRounds / bridgeSeconds, registryRounds / serviceSeconds, registryRounds);
    return 0;
}

}  // namespace
}  // namespace vellum

int main(int argc, char** argv) {
    const int commandRuns = argc > 1 ? std::atoi(argv[1]) : 30;
    const int registryRounds = argc > 2 ? std::atoi(argv[2]) : 2000;
    return vellum::Run(std::max(commandRuns, 1), std::max(registryRounds, 1));
}
