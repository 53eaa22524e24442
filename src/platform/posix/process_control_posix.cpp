#include <chrono>
#include <csignal>
#include <thread>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/process_control.h"

namespace vellum {

namespace {

// A child of ours must be reaped to count as ended; any other process ends when it is gone.
bool ProcessEnded(pid_t process) {
    int status = 0;
    if (waitpid(process, &status, WNOHANG) == process) return true;
    return kill(process, 0) != 0;
}

}  // namespace

void WaitForProcessOrTerminate(std::uint32_t processId, std::uint32_t milliseconds) {
    const auto process = static_cast<pid_t>(processId);
    if (process <= 0 || kill(process, 0) != 0) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!ProcessEnded(process)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(process, SIGKILL);
            waitpid(process, nullptr, WNOHANG);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::uint32_t CurrentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

}  // namespace vellum
