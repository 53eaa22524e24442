#pragma once

#include <functional>
#include <string>

#include "app/startup/load_application.h"

namespace vellum {

// What the runtime installation flow needs beyond the startup services.
struct TInstallationServices {
    std::function<bool(const std::string&)> DeleteDirectory;
    std::function<bool(const std::string&)> FileExists;
    std::function<void(const std::string&)> DeleteFile;
    // Shows the busy window (not modal) and hides the application's owner window; returns the
    // busy window's handle for the installer's owner.
    std::function<void*()> ShowBusyWindow;
    std::function<std::int32_t(void*, const std::string&, const std::string&)> ShellExecAsAdminAndWait;
    std::function<bool(const std::string&, const std::string&)> ShellExec;
    std::string OwnExecutablePath;
};

// The flow when the WebView2 runtime is missing. Never returns: every outcome ends the process
// with exit code 0, after starting a fresh copy when the installation made the runtime available.
void RunEdgeInstallationFlow(TStartupServices& startup, TInstallationServices& installation);

}  // namespace vellum
