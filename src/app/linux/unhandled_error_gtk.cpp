#include "app/linux/unhandled_error_gtk.h"

#include <gtk/gtk.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <typeinfo>

#include "core/errors.h"
#include "core/system/own_executable.h"
#include "core/text/utf.h"

namespace vellum {

namespace {

[[noreturn]] void Report(const char* className, const std::string& message) {
    std::string module = "vellum-runtime";
    try {
        module = PathToUtf8(RunningExecutable().Path().filename());
    } catch (const std::exception&) {
    }
    char address[32];
    std::snprintf(address, sizeof address, "%016llX",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(__builtin_return_address(0))));
    const std::string text = UnhandledErrorText(className, module, address, message);
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    if (gdk_display_get_default() != nullptr) {
        GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s",
                                                text.c_str());
        gtk_window_set_title(GTK_WINDOW(box), "Application Error");
        gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
        gtk_dialog_run(GTK_DIALOG(box));
        gtk_widget_destroy(box);
    }
    std::exit(1);
}

}  // namespace

std::string UnhandledErrorText(const char* className, const std::string& module, const std::string& address,
                               const std::string& message) {
    const std::string end = !message.empty() && message.back() == '.' ? "" : ".";
    return std::string("Exception ") + className + " in module " + module + " at " + address + ".\n" + message +
           end + "\n";
}

void ReportUnhandledError(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const EVellumError& raised) {
        Report(raised.ClassName(), raised.what());
    } catch (const std::exception& raised) {
        Report(typeid(raised).name(), raised.what());
    } catch (...) {
        Report("unknown", "Unknown error");
    }
}

}  // namespace vellum
