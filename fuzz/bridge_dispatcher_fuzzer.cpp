// One page message of arbitrary bytes, end to end: the module receives it as the page posts it,
// the user-interface queue is pumped, the dispatcher and the function it selects run on the
// recording fakes. A bad request may leave the queue as the module's documented failure (an
// EVellumError raised from the queue when no error report is installed); anything else raised,
// more than one answer to the one request, or a crash is a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "bridge/browser_external_module.h"
#include "core/archive/zip_archive.h"
#include "core/errors.h"
#include "recording_dialogs.h"
#include "recording_file_dialogs.h"
#include "recording_main_window.h"
#include "recording_notifications.h"
#include "recording_page.h"
#include "recording_registry.h"
#include "recording_shell.h"

using namespace vellum;
using namespace vellum::testing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TManualUiQueue queue;
    TRecordingPage page;
    TRecordingMainWindow window;
    TRecordingDialogs dialogs;
    TRecordingFileDialogs fileDialogs;
    TRecordingShell shell;
    TRecordingNotifications notifications;
    TRecordingRegistry registry;
    TZipArchive archive;
    bool trayIconVisible = false;

    TBridgeServices services;
    services.Dialogs = &dialogs;
    services.FileDialogs = &fileDialogs;
    services.Shell = &shell;
    services.Notifications = &notifications;
    services.Registry = &registry;
    services.Host.ExecutablePath = "C:\\apps\\hello\\Hello.exe";
    services.Host.Arguments = {"--fuzz", "two words"};
    services.Host.DecimalSeparator = [] { return std::string(","); };
    services.CreateExternalForm = [&trayIconVisible] { return std::make_unique<TFakeExternalForm>(trayIconVisible); };
    TBrowserExternalModule module(std::move(services), queue);
    // The first byte chooses runtime or preview mode and whether the page posted the text as a
    // plain string too, so that every dispatch path is reached.
    const bool runtime = size > 0 && (data[0] & 1) != 0;
    const bool plain = size > 0 && (data[0] & 2) != 0;
    if (runtime) module.ExeZip = &archive;
    module.MainForm = &window;
    module.BrowserForm = &page;

    const std::string json(reinterpret_cast<const char*>(data), size);
    module.EdgeBrowserWebMessageReceived(TPageMessage{plain ? json : std::string(), json});
    try {
        queue.Pump();
    } catch (const EVellumError&) {
    }
    if (page.Answers.size() > 1) std::abort();
    return 0;
}
