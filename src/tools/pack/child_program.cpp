#include "tools/pack/child_program.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "core/errors.h"

extern char** environ;

namespace vellum::pack {

namespace {

volatile std::sig_atomic_t gChild = 0;

void ForwardSignal(int signal) {
    if (gChild > 0) kill(static_cast<pid_t>(gChild), signal);
}

// Installs the forwarding for the life of one wait, and restores what was there.
class TSignalForwarding {
public:
    TSignalForwarding() {
        struct sigaction action {};
        action.sa_handler = ForwardSignal;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &action, &previous_[i]);
    }
    ~TSignalForwarding() {
        for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
        gChild = 0;
    }
    TSignalForwarding(const TSignalForwarding&) = delete;
    TSignalForwarding& operator=(const TSignalForwarding&) = delete;

private:
    static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> previous_{};
};

}  // namespace

int RunChildProgram(const std::vector<std::string>& arguments) {
    if (arguments.empty()) throw EVellumError("no program to run");
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    TSignalForwarding forwarding;
    pid_t pid = 0;
    const int spawnError = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    if (spawnError != 0)
        throw EVellumError("cannot start '" + arguments[0] + "': " + std::strerror(spawnError));
    gChild = pid;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) throw EVellumError("lost track of '" + arguments[0] + "': " + std::strerror(errno));
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 1;
}

}  // namespace vellum::pack
