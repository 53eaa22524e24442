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
    for (const auto& step : triggered) {
        const nlohmann::json action = step.Action;
        Dispatch([action] { PlayAction(action); }, step.DelayMilliseconds);
    }
}

std::vector<nlohmann::json> TDoubleHost::Transcript() const {
    std::lock_guard lock(mutex_);
    return transcript_;
}

void TDoubleHost::SetDispatcher(TDispatcher dispatcher) {
    std::lock_guard lock(mutex_);
    dispatcher_ = std::move(dispatcher);
}

void TDoubleHost::EnsureDispatcher() {
    {
        std::lock_guard lock(mutex_);
        if (dispatcher_) return;
    }
    TDispatcher created = CreateDefaultDispatcher();
    std::lock_guard lock(mutex_);
    if (!dispatcher_) dispatcher_ = std::move(created);
}

void TDoubleHost::Dispatch(TWork work, int delayMilliseconds) {
    TDispatcher dispatcher;
    {
        std::lock_guard lock(mutex_);
        dispatcher = dispatcher_;
    }
    if (dispatcher)
        dispatcher(std::move(work), delayMilliseconds);
    else
        work();
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

void TDoubleHost::SetActiveWebView(TDoubleWebView* view) {
    std::lock_guard lock(mutex_);
    activeView_ = view;
}

TDoubleWebView* TDoubleHost::ActiveWebView() const {
    std::lock_guard lock(mutex_);
    return activeView_;
}

}  // namespace vellum::webview2_double
