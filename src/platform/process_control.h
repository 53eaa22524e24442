#pragma once

#include <cstdint>

namespace vellum {

// Waits up to `milliseconds` for the process to end and terminates it (exit code 1) when it
// has not. Nothing happens when the process cannot be opened.
void WaitForProcessOrTerminate(std::uint32_t processId, std::uint32_t milliseconds);

// This process's identifier, unique among the processes running now.
std::uint32_t CurrentProcessId();

}  // namespace vellum
