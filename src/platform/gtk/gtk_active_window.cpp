#include "platform/gtk/gtk_active_window.h"

namespace vellum {

GtkWindow* ActiveGtkWindow(GtkWindow* fallback) {
    GtkWindow* active = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item != nullptr && active == nullptr; item = item->next) {
        GtkWindow* window = GTK_WINDOW(item->data);
        if (gtk_window_is_active(window) && gtk_widget_get_visible(GTK_WIDGET(window))) active = window;
    }
    g_list_free(windows);
    if (active == nullptr && fallback != nullptr && gtk_widget_get_visible(GTK_WIDGET(fallback))) active = fallback;
    return active;
}

}  // namespace vellum
