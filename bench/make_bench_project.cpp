// Writes a project folder for packaging benchmarks: vlm.ini and FILES files totalling about
// MEGABYTES megabytes below app/, web-like text (deflates as scripts do) with some binary files.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: make_bench_project DIR FILES MEGABYTES\n", stderr);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const long files = std::atol(argv[2]);
    const long long total = std::atoll(argv[3]) * 1000 * 1000;
    std::filesystem::create_directories(root / "app");
    std::ofstream(root / "vlm.ini") << "[App]\nID=bench.project\nName=Bench\nDirName=app\nIndexHtml=file0.html\n";
    static const char* words[] = {"function", "const", "return",     "<div",  "class=\"row\">", "</div>",
                                  "=>",       "{",     "}",          "\n",    "export",         "import",
                                  "margin:",  "0px;",  "var(--gap)", "width", "height"};
    std::mt19937 random(42);
    for (long i = 0; i < files; ++i) {
        const std::filesystem::path folder = root / "app" / ("dir" + std::to_string(i / 100));
        std::filesystem::create_directories(folder);
        const bool binary = i % 10 == 9;
        std::ofstream out(folder / ("file" + std::to_string(i) +
                                    (binary  ? ".png"
                                     : i % 2 ? ".js"
                                             : ".html")),
                          std::ios::binary);
        std::string data;
        const long long size = total / files;
        data.reserve(static_cast<std::size_t>(size));
        while (static_cast<long long>(data.size()) < size) {
            if (binary)
                data += static_cast<char>(random());
            else
                (data += words[random() % std::size(words)]) += ' ';
        }
        data.resize(static_cast<std::size_t>(size));
        out << data;
    }
    std::ofstream(root / "app" / "file0.html", std::ios::app) << "<title>Bench</title>\n";
    return 0;
}
