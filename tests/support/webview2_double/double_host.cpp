#include "double_host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "webview2/com_compat.h"

namespace vellum::webview2_double {

namespace {

constexpr const char* kDefaultVersion = "120.0.2210.91";

std::string EnvironmentValue(const char* name) {
#ifdef _WIN32
    wchar_t buffer[32768];
    const DWORD length = GetEnvironmentVariableW(std::wstring(name, name + std::strlen(name)).c_str(), buffer, 32768);
    if (length == 0 || length >= 32768) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), text.data(), bytes, nullptr, nullptr);
    return text;
#else
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
#endif
}

std::FILE* OpenForAppending(const std::string& path) {
#ifdef _WIN32
    const int length = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), length);
    return _wfopen(wide.c_str(), L"ab");
#else
    return std::fopen(path.c_str(), "ab");
#endif
}

unsigned long ProcessId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

std::vector<TScenarioStep> StepsOf(const nlohmann::json& scenario) {
    std::vector<TScenarioStep> steps;
    if (!scenario.contains("steps") || !scenario["steps"].is_array()) return steps;
    for (const auto& entry : scenario["steps"]) {
        if (!entry.is_object()) continue;
        TScenarioStep step;
        step.After = entry.value("after", std::string("controller_created"));
        step.Occurrence = entry.value("occurrence", 1);
        step.DelayMilliseconds = entry.value("delay_ms", 0);
        step.Repeat = entry.value("repeat", false);
        if (entry.contains("match") && entry["match"].is_object()) step.Match = entry["match"];
        step.Action = entry;
        steps.push_back(std::move(step));
    }
    return steps;
}

}  // namespace

TDoubleHost& TDoubleHost::Instance() {
    static TDoubleHost* host = new TDoubleHost();  // outlives every object that reports to it
    return *host;
}

std::uint64_t TDoubleHost::CurrentThread() {
#ifdef _WIN32
    return GetCurrentThreadId();
#else
    return std::hash<std::thread::id>()(std::this_thread::get_id());
#endif
}

void TDoubleHost::LoadFromEnvironment() {
    std::lock_guard lock(mutex_);
    if (loadedFromEnvironment_) return;
    loadedFromEnvironment_ = true;
    const std::string scenarioPath = EnvironmentValue("VELLUM_WEBVIEW2_SCENARIO");
    if (!scenarioPath.empty()) {
        std::ifstream file(scenarioPath, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        // A damaged scenario plays nothing rather than failing the browser.
        scenario_ = nlohmann::json::parse(text.str(), nullptr, false);
        if (!scenario_.is_object()) scenario_ = nlohmann::json::object({{"scenario_error", scenarioPath}});
        steps_ = StepsOf(scenario_);
    }
    transcriptPath_ = EnvironmentValue("VELLUM_WEBVIEW2_TRANSCRIPT");
    const std::size_t marker = transcriptPath_.find("{pid}");
    if (marker != std::string::npos) transcriptPath_.replace(marker, 5, std::to_string(ProcessId()));
}

void TDoubleHost::Reset(const nlohmann::json& scenario) {
    std::lock_guard lock(mutex_);
    loadedFromEnvironment_ = true;
    scenario_ = scenario.is_object() ? scenario : nlohmann::json::object();
    steps_ = StepsOf(scenario_);
    transcript_.clear();
    transcriptPath_.clear();
    sequence_ = 0;
}

std::string TDoubleHost::BrowserVersion() const {
    std::lock_guard lock(mutex_);
    if (!scenario_.contains("version")) return kDefaultVersion;
    const auto& version = scenario_["version"];
    return version.is_string() ? version.get<std::string>() : std::string();
}

void TDoubleHost::Record(const std::string& event, nlohmann::json fields) {
    std::vector<TScenarioStep> triggered;
    {
        std::lock_guard lock(mutex_);
        nlohmann::json record = nlohmann::json::object();
        record["seq"] = ++sequence_;
        record["event"] = event;
        if (fields.is_object())
            for (auto& [key, value] : fields.items()) record[key] = value;
        // What the double still holds, so a transcript alone shows whether everything was released.
        record["live"] = LiveObjects.load();
        record["handlers"] = HeldHandlers.load();
        if (!transcriptPath_.empty()) {
            if (std::FILE* file = OpenForAppending(transcriptPath_)) {
                const std::string line = record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
                std::fwrite(line.data(), 1, line.size(), file);
                std::fclose(file);
            }
        }
        transcript_.push_back(std::move(record));
        const nlohmann::json& written = transcript_.back();
        for (auto& step : steps_) {
            if (step.Played || step.After != event) continue;
            bool matches = true;
            if (step.Match.is_object())
                for (auto& [key, value] : step.Match.items()) matches = matches && written.value(key, nlohmann::json()) == value;
            if (!matches || ++step.Matches < step.Occurrence) continue;
            step.Played = !step.Repeat;
            triggered.push_back(step);
        }
    }
    if (triggered.empty()) return;
    // Steps play on the thread of the browser they act on (else the recording thread).
    std::uint64_t thread = 0;
    {
        std::lock_guard lock(mutex_);
        thread = activeView_ != nullptr ? activeViewThread_ : CurrentThread();
    }
    for (const auto& step : triggered) {
        const nlohmann::json action = step.Action;
        TWork play = [action] { PlayAction(action); };
        DispatchTo(thread, "scenario_step", std::move(play), step.DelayMilliseconds);
    }
}

std::vector<nlohmann::json> TDoubleHost::Transcript() const {
    std::lock_guard lock(mutex_);
    return transcript_;
}

void TDoubleHost::SetDispatcher(TDispatcher dispatcher) {
    const std::uint64_t thread = CurrentThread();
    std::lock_guard lock(mutex_);
    if (!dispatcher) {
        dispatchers_.erase(thread);
        return;
    }
    TThreadQueue queue;
    queue.Post = [dispatcher = std::move(dispatcher)](TWork work, int delayMilliseconds) {
        dispatcher(std::move(work), delayMilliseconds);
        return true;
    };
    dispatchers_[thread] = std::move(queue);
}

void TDoubleHost::EnsureDispatcher() {
    const std::uint64_t thread = CurrentThread();
    {
        std::lock_guard lock(mutex_);
        const auto found = dispatchers_.find(thread);
        // A thread id the system gave again after its first thread ended gets a queue of its own.
        if (found != dispatchers_.end() && !(found->second.Gone && found->second.Gone())) return;
    }
    TThreadQueue created = CreateDefaultDispatcher();
    if (!created.Post) return;
    std::lock_guard lock(mutex_);
    dispatchers_[thread] = std::move(created);
}

bool TDoubleHost::HasDispatcher(std::uint64_t thread) const {
    std::lock_guard lock(mutex_);
    return dispatchers_.count(thread) != 0;
}

bool TDoubleHost::TracksThreadEnd(std::uint64_t thread) const {
    std::lock_guard lock(mutex_);
    const auto found = dispatchers_.find(thread);
    return found != dispatchers_.end() && static_cast<bool>(found->second.Gone);
}

bool TDoubleHost::ThreadGone(std::uint64_t thread) const {
    std::function<bool()> gone;
    {
        std::lock_guard lock(mutex_);
        const auto found = dispatchers_.find(thread);
        if (found == dispatchers_.end()) return false;
        gone = found->second.Gone;
    }
    return gone && gone();
}

bool TDoubleHost::DispatchTo(std::uint64_t thread, const std::string& what, TWork work, int delayMilliseconds) {
    std::function<bool(TWork, int)> post;
    {
        std::lock_guard lock(mutex_);
        const auto found = dispatchers_.find(thread);
        if (found != dispatchers_.end()) post = found->second.Post;
    }
    const bool posted = post && post(std::move(work), delayMilliseconds);
    if (!posted && !what.empty()) Record("undeliverable", {{"what", what}, {"thread", thread}});
    return posted;
}

bool TDoubleHost::CheckOwnerThread(std::uint64_t owner, const char* method, const char* signature) {
    const std::uint64_t thread = CurrentThread();
    if (thread == owner) return true;
    // The class is the name before "::method(" in the compiler's spelling of the method.
    const std::string spelled = signature == nullptr ? std::string() : std::string(signature);
    const std::size_t at = spelled.find(std::string("::") + method + "(");
    std::string object;
    if (at != std::string::npos && at > 0) {
        const std::size_t before = spelled.find_last_of(": ", at - 1);
        const std::size_t start = before == std::string::npos ? 0 : before + 1;
        object = spelled.substr(start, at - start);
    }
    Record("wrong_thread", {{"method", method}, {"object", object}, {"thread", thread}, {"owner", owner}});
    return false;
}

void TDoubleHost::BeginBackgroundWork() {
    std::lock_guard lock(backgroundMutex_);
    ++background_;
}

void TDoubleHost::EndBackgroundWork() {
    std::lock_guard lock(backgroundMutex_);
    --background_;
    backgroundDone_.notify_all();
}

bool TDoubleHost::WaitForBackgroundWork(std::chrono::milliseconds timeout) {
    std::unique_lock lock(backgroundMutex_);
    return backgroundDone_.wait_for(lock, timeout, [this] { return background_ == 0; });
}

void TDoubleHost::SetActiveWebView(TDoubleWebView* view, std::uint64_t thread) {
    std::lock_guard lock(mutex_);
    activeView_ = view;
    activeViewThread_ = view != nullptr ? thread : 0;
}

TDoubleWebView* TDoubleHost::ActiveWebView() const {
    std::lock_guard lock(mutex_);
    return activeView_;
}

std::string CallingThreadApartment() {
    using namespace vellum::webview2;
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    if (FAILED(CoGetApartmentType(&type, &qualifier))) return "none";
    // A thread that never initialised COM is in the process's implicit multithreaded apartment
    // once another thread has created it; for WebView2 it has no COM of its own.
    if (type == APTTYPE_MTA && qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA) return "none";
    if (type == APTTYPE_STA || type == APTTYPE_MAINSTA) return "sta";
    return "mta";
}

}  // namespace vellum::webview2_double
