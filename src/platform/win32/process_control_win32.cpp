#include <windows.h>

#include "platform/process_control.h"

namespace vellum {

void WaitForProcessOrTerminate(std::uint32_t processId, std::uint32_t milliseconds) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId);
    if (process == nullptr) return;
    if (WaitForSingleObject(process, milliseconds) != WAIT_OBJECT_0) TerminateProcess(process, 1);
    CloseHandle(process);
}

std::uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

}  // namespace vellum
