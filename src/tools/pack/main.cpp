#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "tools/pack/pack_commands.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) self = argv[0];
    return vellum::pack::RunPackTool(arguments, self, std::cout, std::cerr);
}
