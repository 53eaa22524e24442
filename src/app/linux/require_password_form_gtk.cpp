// The password prompt on Linux: a small fixed dialog with one password entry and no buttons.
// It closes by itself at the key release that completes the password; closing its window is
// the only other way out. Escape and Enter are compared like any other key.
#include <gtk/gtk.h>

#include <string>

#include "app/forms/require_password_form.h"
#include "app/startup/startup_messages.h"

namespace vellum {

namespace {

constexpr int kClientWidth = 308, kClientHeight = 71;
constexpr int kEditLeft = 24, kEditTop = 24, kEditWidth = 257;

struct TPrompt {
    GtkDialog* Dialog;
    std::string Password;
};

gboolean OnKeyRelease(GtkWidget* entry, GdkEventKey*, gpointer data) {
    auto* prompt = static_cast<TPrompt*>(data);
    // An exact comparison of the whole text, nothing trimmed, letter case counted.
    if (prompt->Password == gtk_entry_get_text(GTK_ENTRY(entry))) gtk_dialog_response(prompt->Dialog, mrOk);
    return FALSE;
}

void KeepOpenOnEscape(GtkDialog* dialog, gpointer) {
    g_signal_stop_emission_by_name(dialog, "close");
}

}  // namespace

int ShowRequirePasswordForm(const std::string& caption, const std::string& password) {
    GtkWidget* dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_widget_set_size_request(dialog, kClientWidth, kClientHeight);
    gtk_widget_set_name(dialog, "TRequirePasswordForm");

    GtkWidget* entry = gtk_entry_new();
    gtk_widget_set_name(entry, "PasswordEdit");
    gtk_entry_set_visibility(GTK_ENTRY(entry), FALSE);
    gtk_entry_set_invisible_char(GTK_ENTRY(entry), '*');
    // The key on the edit's left is decoration; clicking it does nothing.
    gtk_entry_set_icon_from_icon_name(GTK_ENTRY(entry), GTK_ENTRY_ICON_PRIMARY, "dialog-password");
    gtk_widget_set_size_request(entry, kEditWidth, -1);
    gtk_widget_set_margin_start(entry, kEditLeft);
    gtk_widget_set_margin_end(entry, kClientWidth - kEditLeft - kEditWidth);
    gtk_widget_set_margin_top(entry, kEditTop);
    gtk_widget_set_margin_bottom(entry, kEditTop);
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_box_pack_start(GTK_BOX(content), entry, FALSE, FALSE, 0);

    TPrompt prompt{GTK_DIALOG(dialog), password};
    g_signal_connect(entry, "key-release-event", G_CALLBACK(OnKeyRelease), &prompt);
    g_signal_connect(dialog, "close", G_CALLBACK(KeepOpenOnEscape), nullptr);
    gtk_widget_show_all(dialog);
    gtk_widget_grab_focus(entry);
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    return response == mrOk ? mrOk : mrCancel;
}

}  // namespace vellum
