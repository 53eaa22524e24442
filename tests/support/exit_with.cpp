// A child process for the process tests: waits the given milliseconds, prints a line, and
// exits with the given code.   exit_with CODE [MILLISECONDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
    const int code = argc > 1 ? std::atoi(argv[1]) : 0;
    const int milliseconds = argc > 2 ? std::atoi(argv[2]) : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    std::printf("exit_with %d\n", code);
    return code;
}
