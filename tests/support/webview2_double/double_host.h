#pragma once

// The WebView2 test double's process-wide state: the scenario it plays, the transcript it
// writes, the count of its live COM objects, and the way it reaches the user-interface thread.
// Formats: docs/webview2-double.md.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace vellum::webview2_double {

class TDoubleWebView;

// One scenario step: an action played after a transcript event, optionally delayed.
struct TScenarioStep {
    std::string After;   // a transcript event name (default "controller_created")
    int Occurrence = 1;  // which matching occurrence of `After` triggers the step
    int DelayMilliseconds = 0;
    nlohmann::json Match;  // fields the triggering record must have, with these values
    bool Repeat = false;   // plays at every matching record from `Occurrence` on
    nlohmann::json Action;  // {"action": "...", ...}
    bool Played = false;
    int Matches = 0;
};

class TDoubleHost {
public:
    using TWork = std::function<void()>;
    using TDispatcher = std::function<void(TWork work, int delayMilliseconds)>;

    static TDoubleHost& Instance();

    // Reads the scenario and opens the transcript named by the environment variables
    // VELLUM_WEBVIEW2_SCENARIO and VELLUM_WEBVIEW2_TRANSCRIPT, once.
    void LoadFromEnvironment();
    // For in-process tests: a scenario given as JSON, the transcript kept in memory.
    void Reset(const nlohmann::json& scenario);

    const nlohmann::json& Scenario() const { return scenario_; }
    // The browser version the loader reports; empty when the scenario says no runtime exists.
    std::string BrowserVersion() const;

    // Appends one record {"event": name, ...fields} to the transcript and plays the steps it
    // triggers. Thread-safe.
    void Record(const std::string& event, nlohmann::json fields = nlohmann::json::object());
    std::vector<nlohmann::json> Transcript() const;

    // Where work for the user-interface thread goes; Windows: the thread that created the
    // controller. Tests set their own.
    void SetDispatcher(TDispatcher dispatcher);
    void Dispatch(TWork work, int delayMilliseconds = 0);
    // Creates the default dispatcher on the calling thread unless one is set.
    void EnsureDispatcher();

    // Background deliveries (the environment completion) in flight.
    void BeginBackgroundWork();
    void EndBackgroundWork();
    bool WaitForBackgroundWork(std::chrono::milliseconds timeout);

    // The browser the scenario's page actions go to (the most recent one).
    void SetActiveWebView(TDoubleWebView* view);
    TDoubleWebView* ActiveWebView() const;

    // An id of the calling thread, as the transcript shows it.
    static std::uint64_t CurrentThread();

    std::atomic<int> LiveObjects{0};
    std::atomic<int> HeldHandlers{0};

private:
    void PlayTriggered(const std::string& event);

    mutable std::mutex mutex_;
    nlohmann::json scenario_ = nlohmann::json::object();
    std::vector<TScenarioStep> steps_;
    std::vector<nlohmann::json> transcript_;
    std::string transcriptPath_;
    long long sequence_ = 0;
    bool loadedFromEnvironment_ = false;
    TDispatcher dispatcher_;
    TDoubleWebView* activeView_ = nullptr;
    std::mutex backgroundMutex_;
    std::condition_variable backgroundDone_;
    int background_ = 0;
};

// Plays one scenario action against the active browser; the actions are listed in
// docs/webview2-double.md.
void PlayAction(const nlohmann::json& action);

// The platform's default dispatcher (Windows: a message-only window on the calling thread).
TDoubleHost::TDispatcher CreateDefaultDispatcher();

}  // namespace vellum::webview2_double
