#include "platform/gtk/gtk_message_dialogs.h"

#include "core/text/utf.h"
#include "platform/gtk/gtk_active_window.h"

namespace vellum {

TGtkMessageDialogs::TGtkMessageDialogs(std::string title, GtkWindow* mainWindow)
    : title_(IsValidUtf8(title) ? std::move(title) : Utf16ToUtf8(Utf8ToUtf16(title))), mainWindow_(mainWindow) {}

void TGtkMessageDialogs::ShowMessage(const std::string& text) {
    // GTK takes only well-formed UTF-8; the text is plain, never markup.
    const std::string shown = IsValidUtf8(text) ? text : Utf16ToUtf8(Utf8ToUtf16(text));
    GtkWidget* dialog = gtk_message_dialog_new(ActiveGtkWindow(mainWindow_),
                                               static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                               GTK_MESSAGE_INFO, GTK_BUTTONS_OK, "%s", shown.c_str());
    if (!title_.empty()) gtk_window_set_title(GTK_WINDOW(dialog), title_.c_str());
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

}  // namespace vellum
