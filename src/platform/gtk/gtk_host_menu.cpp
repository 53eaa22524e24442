#include "platform/gtk/gtk_host_menu.h"

#include <stdexcept>

#include "bridge/services/menu_item_path.h"
#include "core/text/utf.h"
#include "platform/gtk/menu_mnemonic.h"

namespace vellum {

namespace {

constexpr int kImageSide = 16;  // at a scale factor of 1
const char* const kGreyName = "VellumGreyMenuImage";

void DestroyWidget(GtkWidget* widget, gpointer) {
    gtk_widget_destroy(widget);
}

// GTK takes only well-formed UTF-8.
std::string Shown(const std::string& text) {
    return IsValidUtf8(text) ? text : Utf16ToUtf8(Utf8ToUtf16(text));
}

}  // namespace

TGtkHostMenu::TGtkHostMenu(bool menuBar, std::function<int()> scale)
    : scale_(std::move(scale)), shell_(GTK_MENU_SHELL(menuBar ? gtk_menu_bar_new() : gtk_menu_new())) {
    // Ours until we go, wherever the window packs it.
    g_object_ref_sink(shell_);
    gtk_widget_set_name(GTK_WIDGET(shell_), menuBar ? "MainMenu" : "TrayMenu");
    g_signal_connect(shell_, "deactivate", G_CALLBACK(&TGtkHostMenu::OnDeactivate), this);
    // A pop-up menu may also be taken down without a deactivation.
    if (!menuBar) g_signal_connect(shell_, "hide", G_CALLBACK(&TGtkHostMenu::OnDeactivate), this);
}

TGtkHostMenu::~TGtkHostMenu() {
    if (pendingRebuild_ != 0) g_source_remove(pendingRebuild_);
    g_signal_handlers_disconnect_by_data(shell_, this);
    gtk_widget_destroy(GTK_WIDGET(shell_));
    g_object_unref(shell_);
}

void TGtkHostMenu::SetItems(const std::vector<TMenuItem>& items) {
    items_ = items;
    Rebuild();
}

void TGtkHostMenu::UpdateItem(const TMenuItemPath& path, const TMenuItemChange& change) {
    ApplyMenuItemChange(MenuItemAt(items_, path), change);
    Rebuild();
}

int TGtkHostMenu::AddImage(const std::vector<std::uint8_t>& encoded) {
    const int side = kImageSide * std::max(1, scale_());
    TImage image{encoded, DecodeMenuImage(encoded, side), side};
    images_.push_back(std::move(image));
    return static_cast<int>(images_.size() - 1);
}

void TGtkHostMenu::ClearImages() {
    images_.clear();
    Rebuild();
}

bool TGtkHostMenu::IsOpen() const {
    if (GTK_IS_MENU_BAR(shell_)) return gtk_menu_shell_get_selected_item(shell_) != nullptr;
    return gtk_widget_get_visible(GTK_WIDGET(shell_));
}

void TGtkHostMenu::OnDeactivate(GtkMenuShell*, gpointer data) {
    auto* self = static_cast<TGtkHostMenu*>(data);
    // GTK closes the menu before it activates the chosen item: the items stay until then.
    if (!self->stale_ || self->pendingRebuild_ != 0) return;
    self->pendingRebuild_ = g_idle_add(
        [](gpointer menu) -> gboolean {
            auto* me = static_cast<TGtkHostMenu*>(menu);
            me->pendingRebuild_ = 0;
            if (me->stale_) me->Rebuild();
            return G_SOURCE_REMOVE;
        },
        self);
}

void TGtkHostMenu::Rebuild() {
    if (IsOpen()) {
        stale_ = true;
        return;
    }
    stale_ = false;
    const int side = kImageSide * std::max(1, scale_());
    for (TImage& image : images_)
        if (image.Side != side) {
            image.Decoded = DecodeMenuImage(image.Encoded, side);
            image.Side = side;
        }
    gtk_container_foreach(GTK_CONTAINER(shell_), DestroyWidget, nullptr);
    FillLevel(shell_, items_, true);
    if (OnRebuilt) OnRebuilt();
}

void TGtkHostMenu::FillLevel(GtkMenuShell* shell, const std::vector<TMenuItem>& items, bool reachable) {
    for (const TMenuItem& item : items) gtk_menu_shell_append(shell, MakeItem(item, reachable));
}

GtkWidget* TGtkHostMenu::MakeItem(const TMenuItem& item, bool reachable) {
    if (item.Caption == "-") {
        GtkWidget* separator = gtk_separator_menu_item_new();
        gtk_widget_show(separator);
        return separator;
    }
    // What the user could not choose raises nothing, even when GTK is asked to activate it.
    const bool choosable = reachable && item.Enabled;
    GtkWidget* widget = gtk_menu_item_new();
    GtkWidget* label = gtk_label_new_with_mnemonic(GtkMnemonicLabel(Shown(item.Caption)).c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), widget);
    if (item.ImageIndex >= 0 && static_cast<std::size_t>(item.ImageIndex) < images_.size()) {
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
        gtk_box_pack_start(GTK_BOX(box), MakeImage(item.ImageIndex, !item.Enabled), FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(box), label, TRUE, TRUE, 0);
        gtk_container_add(GTK_CONTAINER(widget), box);
    } else {
        gtk_container_add(GTK_CONTAINER(widget), label);
    }
    gtk_widget_set_sensitive(widget, item.Enabled);
    if (!item.Clickable && !item.Items.empty()) {
        GtkWidget* submenu = gtk_menu_new();
        FillLevel(GTK_MENU_SHELL(submenu), item.Items, choosable);
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), submenu);
    } else if (item.Clickable && choosable) {
        g_signal_connect_data(
            widget, "activate", G_CALLBACK(&TGtkHostMenu::OnActivate), new TClick{this, item.Id},
            [](gpointer click, GClosure*) { delete static_cast<TClick*>(click); }, static_cast<GConnectFlags>(0));
    }
    gtk_widget_show_all(widget);
    return widget;
}

GtkWidget* TGtkHostMenu::MakeImage(int imageIndex, bool greyed) {
    const TImage& image = images_[static_cast<std::size_t>(imageIndex)];
    const TPixbuf shown = greyed ? GreyedMenuImage(image.Decoded) : image.Decoded;
    const int scale = std::max(1, image.Side / kImageSide);
    // Drawn at the display's scale: 16 logical pixels of `scale` device pixels each.
    cairo_surface_t* surface = gdk_cairo_surface_create_from_pixbuf(shown.Get(), scale, nullptr);
    GtkWidget* widget = gtk_image_new_from_surface(surface);
    cairo_surface_destroy(surface);
    if (greyed) gtk_widget_set_name(widget, kGreyName);
    return widget;
}

void TGtkHostMenu::OnActivate(GtkMenuItem*, gpointer data) {
    const auto* click = static_cast<const TClick*>(data);
    if (click->Menu->OnItemClick) click->Menu->OnItemClick(click->Id);
}

namespace {

struct TFound {
    GtkLabel* Label = nullptr;
    GtkImage* Image = nullptr;
};

void FindParts(GtkWidget* widget, gpointer data) {
    auto* found = static_cast<TFound*>(data);
    if (GTK_IS_LABEL(widget) && found->Label == nullptr) found->Label = GTK_LABEL(widget);
    if (GTK_IS_IMAGE(widget) && found->Image == nullptr) found->Image = GTK_IMAGE(widget);
    if (GTK_IS_CONTAINER(widget)) gtk_container_foreach(GTK_CONTAINER(widget), FindParts, data);
}

void DescribeLevel(GtkMenuShell* shell, int depth, std::string& out) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
    for (GList* node = children; node != nullptr; node = node->next) {
        GtkWidget* item = GTK_WIDGET(node->data);
        out.append(static_cast<std::size_t>(depth) * 2, ' ');
        if (GTK_IS_SEPARATOR_MENU_ITEM(item)) {
            out += "-\n";
            continue;
        }
        TFound found;
        gtk_container_foreach(GTK_CONTAINER(item), FindParts, &found);
        out += found.Label != nullptr ? gtk_label_get_label(found.Label) : "?";
        if (!gtk_widget_get_sensitive(item)) out += " [disabled]";
        if (found.Image != nullptr) {
            // The size of the picture the image draws, in device pixels.
            cairo_surface_t* surface = nullptr;
            g_object_get(found.Image, "surface", &surface, nullptr);
            const int width = surface != nullptr ? cairo_image_surface_get_width(surface) : 0;
            const int height = surface != nullptr ? cairo_image_surface_get_height(surface) : 0;
            if (surface != nullptr) cairo_surface_destroy(surface);
            const char* name = gtk_widget_get_name(GTK_WIDGET(found.Image));
            out += std::string(" [") + (name != nullptr && std::string(name) == kGreyName ? "grey image " : "image ") +
                   std::to_string(width) + "x" + std::to_string(height) + "]";
        }
        out += '\n';
        if (GtkWidget* submenu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(item)))
            DescribeLevel(GTK_MENU_SHELL(submenu), depth + 1, out);
    }
    g_list_free(children);
}

}  // namespace

std::string DescribeMenuShell(GtkMenuShell* shell) {
    std::string out;
    DescribeLevel(shell, 0, out);
    return out;
}

}  // namespace vellum
