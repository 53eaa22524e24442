#include "platform/gtk/gtk_external_form.h"

#include "core/text/utf.h"

// GtkStatusIcon is the system tray of X desktops (XEmbed); GTK 3 marks it deprecated in favour
// of desktop-specific services, which the runtime does not depend on.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS

namespace vellum {

namespace {

gboolean OnButtonPress(GtkStatusIcon*, GdkEventButton* event, gpointer form) {
    if (event->button == 1 && (event->type == GDK_BUTTON_PRESS || event->type == GDK_2BUTTON_PRESS))
        static_cast<TGtkExternalForm*>(form)->IconButtonPress(event->type == GDK_2BUTTON_PRESS);
    return event->button == 1;  // the left button is ours; GTK's own "activate" stays unused
}

gboolean OnButtonRelease(GtkStatusIcon*, GdkEventButton* event, gpointer form) {
    if (event->button != 1) return FALSE;
    static_cast<TGtkExternalForm*>(form)->IconButtonRelease();
    return TRUE;
}

void OnPopupMenu(GtkStatusIcon*, guint button, guint time, gpointer form) {
    static_cast<TGtkExternalForm*>(form)->IconMenuRequest(button, time);
}

void OnScaleChanged(GObject*, GParamSpec*, gpointer form) {
    auto& self = *static_cast<TGtkExternalForm*>(form);
    self.GtkMainMenu().Refresh();
    self.GtkTrayMenu().Refresh();
}

}  // namespace

TGtkExternalForm::TGtkExternalForm(GtkWindow* mainWindow, GtkBox* menuBarSlot)
    : mainWindow_(mainWindow), menuBarSlot_(menuBarSlot) {
    if (mainWindow_ != nullptr)
        g_object_add_weak_pointer(G_OBJECT(mainWindow_), reinterpret_cast<gpointer*>(&mainWindow_));
    if (menuBarSlot_ != nullptr) {
        g_object_add_weak_pointer(G_OBJECT(menuBarSlot_), reinterpret_cast<gpointer*>(&menuBarSlot_));
        GtkWidget* bar = GTK_WIDGET(mainMenu_.Shell());
        // Packed now, shown only once the page gives the window a menu.
        gtk_widget_set_no_show_all(bar, TRUE);
        gtk_widget_hide(bar);
        gtk_box_pack_start(menuBarSlot_, bar, FALSE, FALSE, 0);
        gtk_box_reorder_child(menuBarSlot_, bar, 0);
    }
    if (mainWindow_ != nullptr)
        scaleHandler_ = g_signal_connect(mainWindow_, "notify::scale-factor", G_CALLBACK(OnScaleChanged), this);
    GdkPixbuf* windowIcon = mainWindow_ != nullptr ? gtk_window_get_icon(mainWindow_) : nullptr;
    icon_ = windowIcon != nullptr ? gtk_status_icon_new_from_pixbuf(windowIcon)
                                  : gtk_status_icon_new_from_icon_name("application-x-executable");
    gtk_status_icon_set_visible(icon_, FALSE);
    g_signal_connect(icon_, "button-press-event", G_CALLBACK(OnButtonPress), this);
    g_signal_connect(icon_, "button-release-event", G_CALLBACK(OnButtonRelease), this);
    g_signal_connect(icon_, "popup-menu", G_CALLBACK(OnPopupMenu), this);
}

TGtkExternalForm::~TGtkExternalForm() {
    gtk_status_icon_set_visible(icon_, FALSE);
    g_signal_handlers_disconnect_by_data(icon_, this);
    g_object_unref(icon_);
    if (mainWindow_ != nullptr) {
        if (scaleHandler_ != 0) g_signal_handler_disconnect(mainWindow_, scaleHandler_);
        g_object_remove_weak_pointer(G_OBJECT(mainWindow_), reinterpret_cast<gpointer*>(&mainWindow_));
    }
    if (menuBarSlot_ != nullptr) {
        GtkWidget* bar = GTK_WIDGET(mainMenu_.Shell());
        if (gtk_widget_get_parent(bar) == GTK_WIDGET(menuBarSlot_))
            gtk_container_remove(GTK_CONTAINER(menuBarSlot_), bar);
        g_object_remove_weak_pointer(G_OBJECT(menuBarSlot_), reinterpret_cast<gpointer*>(&menuBarSlot_));
    }
}

void TGtkExternalForm::ShowMainMenuBar() {
    if (menuBarShown_ || menuBarSlot_ == nullptr) return;
    menuBarShown_ = true;
    gtk_widget_set_no_show_all(GTK_WIDGET(mainMenu_.Shell()), FALSE);
    gtk_widget_show_all(GTK_WIDGET(mainMenu_.Shell()));
}

bool TGtkExternalForm::SetIconVisible(bool visible) {
    if (visible == iconShown_) return true;
    gtk_status_icon_set_visible(icon_, visible);
    iconShown_ = visible;
    leftPressed_ = false;
    return true;
}

void TGtkExternalForm::SetIconTooltip(const std::string& tooltip) {
    const std::string shown = IsValidUtf8(tooltip) ? tooltip : Utf16ToUtf8(Utf8ToUtf16(tooltip));
    gtk_status_icon_set_tooltip_text(icon_, shown.c_str());
}

std::string TGtkExternalForm::IconTooltip() const {
    gchar* text = gtk_status_icon_get_tooltip_text(icon_);
    std::string tooltip = text != nullptr ? text : "";
    g_free(text);
    return tooltip;
}

void TGtkExternalForm::IconButtonPress(bool second) {
    // The release after a double click's second press raises nothing more.
    leftPressed_ = iconShown_ && !second;
}

void TGtkExternalForm::IconButtonRelease() {
    const bool click = leftPressed_;
    leftPressed_ = false;
    if (click && OnTrayIconClick) OnTrayIconClick();
}

void TGtkExternalForm::IconMenuRequest(guint button, guint32 time) {
    if (!iconShown_) return;
    // The app comes forward (a main window hidden to the tray stays hidden), then the menu
    // opens where the mouse is and takes the pointer until it closes.
    if (mainWindow_ != nullptr && gtk_widget_get_visible(GTK_WIDGET(mainWindow_))) gtk_window_present(mainWindow_);
    GtkMenu* menu = GTK_MENU(trayMenu_.Shell());
    // The tray's request carries the button and time but no event, which the newer pop-up
    // calls need; without a position function the menu opens at the pointer.
    gtk_menu_popup(menu, nullptr, nullptr, nullptr, nullptr, button, time);
}

int TGtkExternalForm::ScaleFactor() const {
    if (mainWindow_ != nullptr) return gtk_widget_get_scale_factor(GTK_WIDGET(mainWindow_));
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = display != nullptr ? gdk_display_get_primary_monitor(display) : nullptr;
    if (monitor == nullptr && display != nullptr) monitor = gdk_display_get_monitor(display, 0);
    return monitor != nullptr ? gdk_monitor_get_scale_factor(monitor) : 1;
}

}  // namespace vellum

G_GNUC_END_IGNORE_DEPRECATIONS
