#pragma once

#include <string>

namespace vellum {

// The single-instance rule's lock on Linux: an exclusive flock on a file that the first copy of
// an app holds for as long as it runs. The system drops it when that process ends, however it
// ends, so a crashed copy never blocks the next start (a named mutex behaves the same way on
// Windows).
class TSingleInstanceLock {
public:
    enum class TOutcome {
        Acquired,       // this process holds the lock now
        HeldElsewhere,  // another process holds it
        Failed          // the lock file could not be opened or locked; the start goes on
    };

    TSingleInstanceLock() = default;
    ~TSingleInstanceLock();
    TSingleInstanceLock(const TSingleInstanceLock&) = delete;
    TSingleInstanceLock& operator=(const TSingleInstanceLock&) = delete;

    // Tries to take the lock on the file at `path` (created when missing), without waiting.
    TOutcome Acquire(const std::string& path);
    bool Held() const { return descriptor_ >= 0; }
    void Release();

private:
    int descriptor_ = -1;
};

// Where an app keeps its lock: a file in its own data folder (which ends with a delimiter).
std::string SingleInstanceLockPath(const std::string& appDataDir);

}  // namespace vellum
