#include "app/linux/browser_form_gtk.h"

#include <gtk/gtk.h>

#include <filesystem>

#include "core/stream/stream.h"
#include "core/system/own_executable.h"
#include "core/text/utf.h"

namespace vellum {

extern const char kVlmLibraryScript[];
extern const unsigned long kVlmLibraryScript_SIZE;

namespace {

constexpr int kProgressBarHeight = 4;
constexpr unsigned kPulseMilliseconds = 100;

std::string ExecutableFolder() {
    return PathToUtf8(RunningExecutable().Path().parent_path()) + "/";
}

}  // namespace

TBrowserFormGtk::TBrowserFormGtk(const std::string& engineDataDir) {
    box_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    g_object_ref_sink(box_);
    gtk_widget_set_name(box_, "TBrowserForm");
    TWebKitPageOptions options;
    options.DataDir = engineDataDir;
    page_ = std::make_unique<TWebKitPage>(options);
    gtk_box_pack_start(GTK_BOX(box_), page_->Widget(), TRUE, TRUE, 0);
    progressBar_ = gtk_progress_bar_new();
    gtk_widget_set_name(progressBar_, "ProgressBar");
    gtk_widget_set_size_request(progressBar_, -1, kProgressBarHeight);
    gtk_box_pack_end(GTK_BOX(box_), progressBar_, FALSE, FALSE, 0);
    pulseSource_ = g_timeout_add(kPulseMilliseconds, &TBrowserFormGtk::Pulse, progressBar_);
    form_ = std::make_unique<TBrowserForm>(*page_, *this, ExecutableFolder());
}

TBrowserFormGtk::~TBrowserFormGtk() {
    if (pulseSource_ != 0) g_source_remove(pulseSource_);
    form_.reset();
    // The page lets go of its view, then the box (and with it the bar) goes.
    page_.reset();
    gtk_widget_destroy(box_);
    g_object_unref(box_);
}

int TBrowserFormGtk::Pulse(void* bar) {
    gtk_progress_bar_pulse(GTK_PROGRESS_BAR(bar));
    return G_SOURCE_CONTINUE;
}

void TBrowserFormGtk::HideProgressBar() {
    if (pulseSource_ != 0) g_source_remove(pulseSource_);
    pulseSource_ = 0;
    gtk_widget_hide(progressBar_);
}

void TBrowserFormGtk::FocusWindowAbove(int) {
    // GTK has one focus chain per top-level window: the window that holds the form takes it.
    GtkWidget* top = gtk_widget_get_toplevel(box_);
    if (gtk_widget_is_toplevel(top)) gtk_window_present(GTK_WINDOW(top));
}

void TBrowserFormGtk::StartNewInstance(const std::string& parameters) {
    const std::string executable = PathToUtf8(RunningExecutable().Path());
    const std::vector<std::string> arguments = SplitInstanceParameters(parameters);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(executable.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    GError* error = nullptr;
    if (!g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr, &error)) {
        g_printerr("vellum-runtime: cannot start a new window: %s\n", error->message);
        g_error_free(error);
    }
}

std::optional<std::vector<std::uint8_t>> TBrowserFormGtk::ReadWholeFile(const std::string& path) {
    // "file:///home/a.txt" less its "file:///" leaves "home/a.txt": on Linux the address names
    // a path from the root, so a relative path is taken from there, never from the working folder.
    const std::filesystem::path file = PathFromUtf8(!path.empty() && path[0] == '/' ? path : "/" + path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
    try {
        TFileStream stream(file, TFileStream::TMode::OpenRead);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stream.Size()));
        if (!stream.ReadExact(bytes.data(), bytes.size())) return std::nullopt;
        return bytes;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string TBrowserFormGtk::LibraryScript() {
    return std::string(kVlmLibraryScript, kVlmLibraryScript_SIZE);
}

}  // namespace vellum
