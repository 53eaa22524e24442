#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/posix/process_launcher.h"

namespace vellum::testing {

// Records every argument vector the POSIX services start, with the working folder of waited
// runs, and answers with what a test queued (by default: started, exit code 0, no output).
class TRecordingProcessLauncher final : public IProcessLauncher {
public:
    struct TCall {
        bool Detached = false;
        std::vector<std::string> Arguments;
        std::string WorkingDir;
        bool operator==(const TCall&) const = default;
    };

    int StartDetached(const std::vector<std::string>& arguments) override {
        Calls.push_back({true, arguments, {}});
        if (DetachedErrors.empty()) return 0;
        const int error = DetachedErrors.front();
        DetachedErrors.pop_front();
        return error;
    }
    TProcessResult Run(const std::vector<std::string>& arguments, const std::string& workingDir) override {
        Calls.push_back({false, arguments, workingDir});
        if (RunResults.empty()) return {true, 0, 0, ""};
        TProcessResult result = RunResults.front();
        RunResults.pop_front();
        return result;
    }

    std::vector<TCall> Calls;
    std::deque<int> DetachedErrors;
    std::deque<TProcessResult> RunResults;
};

}  // namespace vellum::testing
