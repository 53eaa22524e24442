// The startup message dialog on Linux: a GTK message dialog laid out by the same rules as on
// Windows (buttons in enumeration order with the given captions, the default button, the one
// Escape presses). It runs before the main loop, in a loop of its own.
#include <gtk/gtk.h>

#include "app/startup/startup_messages.h"

namespace vellum {

namespace {

GtkMessageType MessageTypeOf(TMsgDlgType kind) {
    switch (kind) {
        case TMsgDlgType::mtWarning: return GTK_MESSAGE_WARNING;
        case TMsgDlgType::mtError: return GTK_MESSAGE_ERROR;
        case TMsgDlgType::mtInformation: return GTK_MESSAGE_INFO;
        case TMsgDlgType::mtConfirmation: return GTK_MESSAGE_QUESTION;
        default: return GTK_MESSAGE_OTHER;
    }
}

// Escape presses the layout's Escape button, or nothing at all: GtkDialog's own handling would
// close the dialog as if its window were closed.
void OnEscape(GtkDialog* dialog, gpointer escapeResult) {
    g_signal_stop_emission_by_name(dialog, "close");
    const int result = GPOINTER_TO_INT(escapeResult);
    if (result != mrNone) gtk_dialog_response(dialog, result);
}

}  // namespace

int ShowStartupDialog(const std::string& Msg, TMsgDlgType Kind, const std::vector<TMsgDlgBtn>& Buttons,
                      const std::vector<std::string>& Captions, const std::string& Title) {
    const TStartupDialogLayout layout = LayOutStartupDialog(Buttons, Captions);
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, MessageTypeOf(Kind), GTK_BUTTONS_NONE,
                                               "%s", Msg.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), Title.c_str());
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    for (const TStartupDialogLayout::TButton& button : layout.Buttons)
        gtk_dialog_add_button(GTK_DIALOG(dialog), button.Caption.c_str(), button.ModalResult);
    if (layout.DefaultIndex >= 0)
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), layout.Buttons[layout.DefaultIndex].ModalResult);
    const int escapeResult = layout.EscapeIndex >= 0 ? layout.Buttons[layout.EscapeIndex].ModalResult : mrNone;
    g_signal_connect(dialog, "close", G_CALLBACK(OnEscape), GINT_TO_POINTER(escapeResult));
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    // Closing the window (or anything else that is not one of the buttons) is Cancel.
    return response > 0 ? response : mrCancel;
}

}  // namespace vellum
