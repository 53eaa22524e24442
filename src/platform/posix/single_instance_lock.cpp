#include "platform/posix/single_instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace vellum {

TSingleInstanceLock::~TSingleInstanceLock() {
    Release();
}

TSingleInstanceLock::TOutcome TSingleInstanceLock::Acquire(const std::string& path) {
    Release();
    // Close-on-exec: copies the app starts (new windows, shell commands) must not inherit the
    // lock and keep it after this process has ended.
    const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0) return TOutcome::Failed;
    int result;
    do {
        result = flock(descriptor, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        descriptor_ = descriptor;
        return TOutcome::Acquired;
    }
    const int error = errno;
    close(descriptor);
    return error == EWOULDBLOCK ? TOutcome::HeldElsewhere : TOutcome::Failed;
}

void TSingleInstanceLock::Release() {
    if (descriptor_ < 0) return;
    close(descriptor_);  // closing the last descriptor of the open file drops the lock
    descriptor_ = -1;
}

std::string SingleInstanceLockPath(const std::string& appDataDir) {
    return appDataDir + "instance.lock";
}

}  // namespace vellum
