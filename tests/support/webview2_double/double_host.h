#pragma once

// The WebView2 test double's process-wide state: the scenario it plays, the transcript it
// writes, the count of its live COM objects, and the way it reaches the user-interface thread.
// Formats: docs/webview2-double.md.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
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
    // How the double reaches one thread's message processing.
    struct TThreadQueue {
        // Hands work to the thread; false when it cannot (the queue is gone), and then the work
        // does not run.
        std::function<bool(TWork work, int delayMilliseconds)> Post;
        // Whether the thread behind the queue is known to have ended (Windows: its window is
        // gone); empty when the platform cannot tell.
        std::function<bool()> Gone;
    };

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

    // The dispatcher of the CALLING thread: where the events and completions of the objects
    // that thread creates go (an empty one unbinds). Tests bind their user-interface queue on
    // the thread that pumps it.
    void SetDispatcher(TDispatcher dispatcher);
    // Creates the platform's default dispatcher for the calling thread unless it has one
    // (Windows: a message-only window the thread owns; natively none).
    void EnsureDispatcher();
    bool HasDispatcher(std::uint64_t thread) const;
    // Whether the platform can tell that the thread has ended (its queue has a Gone check), and
    // whether it has.
    bool TracksThreadEnd(std::uint64_t thread) const;
    bool ThreadGone(std::uint64_t thread) const;
    // Hands work to the dispatcher of `thread`. False, and the work never runs, when that
    // thread has no dispatcher or its queue is gone; then a record {"event": "undeliverable",
    // "what": what, "thread": thread} is written unless `what` is empty.
    bool DispatchTo(std::uint64_t thread, const std::string& what, TWork work, int delayMilliseconds = 0);

    // Background work (environment deliveries, content reads) in flight.
    void BeginBackgroundWork();
    void EndBackgroundWork();
    bool WaitForBackgroundWork(std::chrono::milliseconds timeout);

    // The browser the scenario's page actions go to (the most recent one), and the thread that
    // created it, which the actions run on.
    void SetActiveWebView(TDoubleWebView* view, std::uint64_t thread = 0);
    TDoubleWebView* ActiveWebView() const;

    // An id of the calling thread, as the transcript shows it.
    static std::uint64_t CurrentThread();
    // True on `owner`; elsewhere writes {"event": "wrong_thread", "method", "object", "thread",
    // "owner"} and answers false. `method` is the calling method's __func__, `signature` its
    // __PRETTY_FUNCTION__ (which names the class).
    bool CheckOwnerThread(std::uint64_t owner, const char* method, const char* signature);

    std::atomic<int> LiveObjects{0};
    std::atomic<int> HeldHandlers{0};

private:
    mutable std::mutex mutex_;
    nlohmann::json scenario_ = nlohmann::json::object();
    std::vector<TScenarioStep> steps_;
    std::vector<nlohmann::json> transcript_;
    std::string transcriptPath_;
    long long sequence_ = 0;
    bool loadedFromEnvironment_ = false;
    std::map<std::uint64_t, TThreadQueue> dispatchers_;
    TDoubleWebView* activeView_ = nullptr;
    std::uint64_t activeViewThread_ = 0;
    std::mutex backgroundMutex_;
    std::condition_variable backgroundDone_;
    int background_ = 0;
};

// Plays one scenario action against the active browser; the actions are listed in
// docs/webview2-double.md.
void PlayAction(const nlohmann::json& action);

// The platform's default dispatcher for the calling thread (Windows: a message-only window the
// thread owns; natively none: an empty Post).
TDoubleHost::TThreadQueue CreateDefaultDispatcher();

// The calling thread's COM apartment: "sta", "mta", or "none" (COM not initialised; on Windows
// also the implicit multithreaded apartment of a thread that never initialised COM).
std::string CallingThreadApartment();

}  // namespace vellum::webview2_double
