// A window with the real WebKitGTK page, the browser form and the bridge module on recording
// service fakes, over an archive made from a folder: the "Linux, real engine" tests run their
// pages here and read what happened from the page trace (VELLUM_TRACE).
//
// webkit_test_host --app DIR --exe-dir DIR --data DIR [--start URL] [--timeout SECONDS]
// Files of DIR go into the archive folder "app", deflated unless their name holds "stored".
// Exits 0 when the page calls vlm.app.close(), 3 when the time runs out, 2 on bad arguments.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "app/browser_form/browser_form.h"
#include "bridge/browser_external_module.h"
#include "browser/webkit/webkit_page.h"
#include "core/archive/zip_archive.h"
#include "core/stream/stream.h"
#include "glib_ui_queue.h"
#include "recording_dialogs.h"
#include "recording_file_dialogs.h"
#include "recording_main_window.h"
#include "recording_notifications.h"
#include "recording_registry.h"
#include "recording_shell.h"
#include "test_archives.h"

namespace {

using namespace vellum;
using namespace vellum::testing;
namespace fs = std::filesystem;

const char* const kPassword = "real-engine";

std::optional<std::vector<std::uint8_t>> ReadFile(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<std::uint8_t>{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class THostFormPlatform final : public IBrowserFormPlatform {
public:
    void HideProgressBar() override {}
    void FocusWindowAbove(int) override {}
    void StartNewInstance(const std::string& parameters) override {
        std::fprintf(stderr, "new instance: %s\n", parameters.c_str());
    }
    std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) override { return ReadFile(path); }
    std::string LibraryScript() override {
        const auto bytes = ReadFile(VELLUM_SOURCE_DIR "/resources/vlm.js");
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    }
    char PathDelimiter() const override { return '/'; }
};

TBytes ArchiveOf(const fs::path& folder) {
    std::vector<TArchiveFile> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        const std::string name = fs::relative(entry.path(), folder).generic_string();
        files.push_back({"app/" + name, *ReadFile(entry.path()), name.find("stored") == std::string::npos});
    }
    return MakeArchive(files, kPassword);
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> options{{"--start", "file:///index.html"}, {"--timeout", "60"}};
    for (int i = 1; i + 1 < argc; i += 2) options[argv[i]] = argv[i + 1];
    if (!options.count("--app") || !options.count("--exe-dir") || !options.count("--data")) {
        std::fprintf(stderr, "usage: webkit_test_host --app DIR --exe-dir DIR --data DIR [--start URL] [--timeout S]\n");
        return 2;
    }
    gtk_init(&argc, &argv);

    TMemoryStream archiveBytes(ArchiveOf(options["--app"]));
    TZipArchive archive;
    archive.SetPassword(kPassword);
    archive.Open(archiveBytes);

    TGlibUiQueue queue;
    TRecordingDialogs dialogs;
    TRecordingFileDialogs fileDialogs;
    TRecordingShell shell;
    TRecordingNotifications notifications;
    TRecordingRegistry registry;
    TRecordingMainWindow window;
    bool trayIconVisible = false;

    TBridgeServices services;
    services.Dialogs = &dialogs;
    services.FileDialogs = &fileDialogs;
    services.Shell = &shell;
    services.Notifications = &notifications;
    services.Registry = &registry;
    services.Host.ExecutablePath = (fs::path(options["--exe-dir"]) / "hello").string();
    services.Host.Arguments = {"--from-test"};
    services.CreateExternalForm = [&trayIconVisible] { return std::make_unique<TFakeExternalForm>(trayIconVisible); };
    services.ReportError = [](const std::exception& error) { std::fprintf(stderr, "request error: %s\n", error.what()); };

    GtkWidget* toplevel = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(toplevel), 800, 600);
    gtk_window_set_title(GTK_WINDOW(toplevel), "Vellum real engine test");

    int exitCode = 3;
    {
        TWebKitPage page(TWebKitPageOptions{options["--data"]});
        gtk_container_add(GTK_CONTAINER(toplevel), page.Widget());
        THostFormPlatform platform;
        std::string exeDir = options["--exe-dir"];
        if (exeDir.back() != '/') exeDir += '/';
        TBrowserForm form(page, platform, exeDir);
        form.ExeZip = &archive;
        form.IsRuntime = true;
        form.RuntimeAppID = "vellum.real-engine";
        form.AppDirName = "app";
        form.HandleRequests = true;
        form.WithExternal = true;
        form.StartPageURL = options["--start"];

        TBrowserExternalModule module(std::move(services), queue);
        module.ExeZip = &archive;
        module.MainForm = &window;
        module.BrowserForm = &form.Page();
        module.OnAppCloseRequest = [&exitCode](TBrowserExternalModule*) {
            exitCode = 0;
            gtk_main_quit();
        };
        form.OnPageMessage = [&module](const TPageMessage& message) { module.EdgeBrowserWebMessageReceived(message); };

        gtk_widget_show_all(toplevel);
        const guint timeout = g_timeout_add_seconds(
            static_cast<guint>(std::atoi(options["--timeout"].c_str())),
            [](gpointer) -> gboolean {
                std::fprintf(stderr, "webkit_test_host: time ran out\n");
                gtk_main_quit();
                return G_SOURCE_REMOVE;
            },
            nullptr);
        gtk_main();
        if (exitCode == 0) g_source_remove(timeout);
        gtk_container_remove(GTK_CONTAINER(toplevel), page.Widget());
    }
    gtk_widget_destroy(toplevel);
    return exitCode;
}
