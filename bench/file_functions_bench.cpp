// Whole-call times of the file functions through the bridge (request JSON in, answer out):
//   file_functions_bench tree DIR   makes 100,000 files in 1,000 folders under DIR
//   file_functions_bench list DIR   folders.listFiles of DIR, recursive, "*.txt"
//   file_functions_bench write DIR  files.writeTextFile and base64.decodeToFile of 50 MB, and
//                                   a plain write of the same bytes
// Each prints "<what> <seconds>" (best of three); bench/files.sh sets them beside their peers.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "answer_only_page.h"
#include "bridge/browser_external_module.h"
#include "core/archive/zip_archive.h"

namespace vellum {
namespace {

class TCountingPage final : public TAnswerOnlyPage {
public:
    bool PostWebMessageAsJson(const std::string& json) override {
        LastSize = json.size();
        Succeeded = json.find("\"success\": true") != std::string::npos;
        return true;
    }
    std::size_t LastSize = 0;
    bool Succeeded = false;
};

std::size_t g_sink = 0;  // keeps a timed result alive

double BestOfThree(const std::function<void()>& run) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

struct TBridge {
    explicit TBridge(const std::string& dir) {
        TBridgeServices services;
        services.Host.ExecutablePath = dir + "/bench";
        module = std::make_unique<TBrowserExternalModule>(std::move(services), queue);
        module->ExeZip = &archive;
        module->BrowserForm = &page;
    }
    void Call(int id, const nlohmann::json& data) {
        const std::string json = nlohmann::json{{"id", id}, {"uuid", "u"}, {"data", data}}.dump();
        module->EdgeBrowserWebMessageReceived(TPageMessage{"", json});
        queue.Pump();
        if (!page.Succeeded) throw std::runtime_error("the call failed");
    }
    TManualUiQueue queue;
    TCountingPage page;
    TZipArchive archive;
    std::unique_ptr<TBrowserExternalModule> module;
};

int Run(const std::string& mode, const std::string& dir) {
    if (mode == "tree") {
        for (int folder = 0; folder < 1000; ++folder) {
            const auto path = std::filesystem::path(dir) / "tree" / ("d" + std::to_string(folder / 100)) /
                              ("f" + std::to_string(folder));
            std::filesystem::create_directories(path);
            for (int file = 0; file < 100; ++file) std::ofstream(path / ("file" + std::to_string(file) + ".txt"));
        }
        return 0;
    }
    TBridge bridge(dir);
    if (mode == "list") {
        const double seconds = BestOfThree(
            [&] { bridge.Call(40004, {{"dirPath", "tree"}, {"fileMask", "*.txt"}, {"allDirs", "true"}}); });
        std::printf("listFiles %.4f (answer %zu bytes)\n", seconds, bridge.page.LastSize);
        return 0;
    }
    if (mode == "write") {
        std::string text(50 << 20, 'a');
        for (std::size_t i = 99; i < text.size(); i += 100) text[i] = '\n';
        const nlohmann::json textData = {{"filePath", "text.txt"}, {"contents", text}};
        std::printf("writeTextFile %.4f\n", BestOfThree([&] { bridge.Call(30003, textData); }));
        // What reading the request alone takes of that (the dispatcher parses every message).
        const std::string request = nlohmann::json{{"id", 30003}, {"uuid", "u"}, {"data", textData}}.dump();
        std::printf("parse-request %.4f\n", BestOfThree([&] { g_sink = nlohmann::json::parse(request).size(); }));
        std::string base64;
        base64.reserve(50 << 20);
        while (base64.size() < (50u << 20)) base64 += "QUJDRGVmZ2gxMjM0";
        const nlohmann::json base64Data = {{"filePath", "data.bin"}, {"contents", base64}};
        std::printf("decodeToFile %.4f\n", BestOfThree([&] { bridge.Call(90001, base64Data); }));
        // The same bytes each one wrote, written plainly.
        for (const char* name : {"text.txt", "data.bin"}) {
            std::ifstream in(std::filesystem::path(dir) / name, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), {});
            const double seconds = BestOfThree([&] {
                std::FILE* file = std::fopen((dir + "/plain.bin").c_str(), "wb");
                std::fwrite(bytes.data(), 1, bytes.size(), file);
                std::fclose(file);
            });
            std::printf("plain-%s %.4f (%zu bytes)\n", name, seconds, bytes.size());
        }
        return 0;
    }
    std::fprintf(stderr, "usage: file_functions_bench tree|list|write DIR\n");
    return 2;
}

}  // namespace
}  // namespace vellum

int main(int argc, char** argv) {
    if (argc != 3) return vellum::Run("", "");
    return vellum::Run(argv[1], argv[2]);
}
