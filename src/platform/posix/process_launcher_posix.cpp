#include "platform/posix/process_launcher.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

extern char** environ;

namespace vellum {

namespace {

std::vector<char*> ArgumentPointers(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// The child's exit code (128 + the signal for a killed child), or -1.
int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

std::string FindProgram(const std::string& program) {
    if (program.empty()) return {};
    if (program.find('/') != std::string::npos) return program;
    const char* path = std::getenv("PATH");
    const std::string folders = path != nullptr && *path != '\0' ? path : "/bin:/usr/bin";
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + program;
        std::error_code error;
        if (access(candidate.c_str(), X_OK) == 0 && std::filesystem::is_regular_file(candidate, error))
            return candidate;
        if (end == folders.size()) return {};
        start = end + 1;
    }
}

int TPosixProcessLauncher::StartDetached(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return EINVAL;
    const std::string program = FindProgram(arguments.front());
    if (program.empty()) return ENOENT;
    std::vector<char*> argv = ArgumentPointers(arguments);
    // An exec that fails writes its errno here; a successful one closes the pipe unwritten.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return errno;
    const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t child = devNull < 0 ? -1 : fork();
    if (child == 0) {
        // Only async-signal-safe calls from here on: the parent may have other threads. The
        // middle child ends at once, so the program is nobody's child to reap.
        const pid_t grandchild = fork();
        if (grandchild != 0) _exit(grandchild > 0 ? 0 : 1);
        setsid();
        for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) dup2(devNull, stream);
        execve(program.c_str(), argv.data(), environ);
        const int error = errno;
        if (write(report[1], &error, sizeof error) < 0) _exit(127);
        _exit(127);
    }
    const int forkError = errno;
    close(report[1]);
    if (devNull >= 0) close(devNull);
    if (child < 0) {
        close(report[0]);
        return forkError != 0 ? forkError : EAGAIN;
    }
    const int code = WaitFor(child);
    int error = 0;
    ssize_t got = 0;
    do got = read(report[0], &error, sizeof error);
    while (got < 0 && errno == EINTR);
    close(report[0]);
    if (code != 0) return EAGAIN;
    return got > 0 ? error : 0;
}

TProcessResult TPosixProcessLauncher::Run(const std::vector<std::string>& arguments, const std::string& workingDir) {
    TProcessResult result;
    if (arguments.empty()) {
        result.StartError = EINVAL;
        return result;
    }
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        result.StartError = errno;
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    if (!workingDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
    std::vector<char*> argv = ArgumentPointers(arguments);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (error != 0) {
        close(pipeEnds[0]);
        result.StartError = error;
        return result;
    }
    result.Started = true;
    char chunk[4096];
    for (;;) {
        const ssize_t got = read(pipeEnds[0], chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        result.Output.append(chunk, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    result.ExitCode = WaitFor(pid);
    return result;
}

}  // namespace vellum
