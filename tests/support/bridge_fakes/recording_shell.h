#pragma once

#include <string>
#include <vector>

#include "bridge/services/shell_service.h"

namespace vellum::testing {

// A shell that starts nothing and never ends the session: it records each call as text, in
// order, and answers what a test put in its fields.
class TRecordingShell final : public IShellService {
public:
    TShellOutcome Execute(const std::string& target, const std::string& parameters) override {
        Calls.push_back("Execute(" + target + ", " + parameters + ")");
        return ExecuteOutcome;
    }
    TShellOutcome Explore(const std::string& path) override {
        Calls.push_back("Explore(" + path + ")");
        return ExploreOutcome;
    }
    std::string RunCommand(const std::string& command, const std::string& workingDir, bool showWindow) override {
        Calls.push_back("RunCommand(" + command + ", " + workingDir + (showWindow ? ", shown)" : ", hidden)"));
        return CommandOutput;
    }
    std::vector<std::string> WindowCaptions() override {
        Calls.push_back("WindowCaptions");
        return Captions;
    }
    TShellOutcome EndSession(TPowerAction action) override {
        Calls.push_back(std::string("EndSession(") + Word(action) + ")");
        return EndSessionOutcome;
    }
    std::vector<std::string> AdapterAddresses() override {
        Calls.push_back("AdapterAddresses");
        return Adapters;
    }

    static const char* Word(TPowerAction action) {
        switch (action) {
            case TPowerAction::LogOff: return "logoff";
            case TPowerAction::Reboot: return "reboot";
            case TPowerAction::ShutDown: return "shutdown";
        }
        return "?";
    }

    std::vector<std::string> Calls;
    TShellOutcome ExecuteOutcome;
    TShellOutcome ExploreOutcome;
    TShellOutcome EndSessionOutcome;
    std::string CommandOutput;
    std::vector<std::string> Captions;
    std::vector<std::string> Adapters;
};

}  // namespace vellum::testing
