#pragma once

// The way from a window procedure to the program's one report of errors nothing handled.
//
// A C++ exception must not unwind through the system's frames (DispatchMessageW, SendMessageW,
// CreateWindowExW call our window procedures): 64-bit Windows may swallow it there and carry
// on half done, or end the process without a word. A window procedure therefore catches what
// its handling raises and hands it to the report the program set, which shows it and ends the
// process with exit code 1.

#include <windows.h>

#include <exception>

namespace vellum {

using TUnhandledErrorReport = void (*)(std::exception_ptr error);

namespace detail {
struct TUnhandledErrorState {
    TUnhandledErrorReport Report = nullptr;
    int Showing = 0;  // reports under way: their boxes run nested message loops
};
inline TUnhandledErrorState& UnhandledErrorState() {
    static TUnhandledErrorState state;
    return state;
}
}  // namespace detail

// Set by the program before its first window exists. The program's report does not return; a
// test's may, and the caller then goes on.
inline void SetUnhandledErrorReport(TUnhandledErrorReport report) {
    detail::UnhandledErrorState().Report = report;
}

// True while a report is shown: queued work that would run inside its box is dropped.
inline bool UnhandledErrorReportShowing() {
    return detail::UnhandledErrorState().Showing > 0;
}

// Hands the error to the program's report; without one, std::terminate, as for any error that
// nothing catches.
inline void PassToUnhandledErrorReport(std::exception_ptr error) noexcept {
    detail::TUnhandledErrorState& state = detail::UnhandledErrorState();
    if (state.Report == nullptr) std::terminate();
    ++state.Showing;
    state.Report(error);
    --state.Showing;
}

// Runs one message's handling; what it raises goes to the report instead of into the system's
// frames, and the message's result is then 0.
template <class TBody>
LRESULT GuardedWindowMessage(TBody&& body) noexcept {
    try {
        return body();
    } catch (...) {
        PassToUnhandledErrorReport(std::current_exception());
        return 0;
    }
}

}  // namespace vellum
