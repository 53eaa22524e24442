#include "platform/gtk/gtk_style_service.h"

#include "core/styles/embedded_styles.h"
#include "core/styles/style_manager.h"
#include "core/styles/styles_utils.h"
#include "platform/gtk/theme_css.h"

namespace vellum {

void RegisterRuntimeStylesOnce() {
    // An ELF executable carries no resources: the same styles are compiled in as data.
    static const bool registered = [] {
        RegisterEmbeddedStyles(StyleManager());
        return true;
    }();
    (void)registered;
}

TGtkStyleService::TGtkStyleService() : provider_(gtk_css_provider_new()) {
    RegisterRuntimeStylesOnce();
    // A style chosen at startup or by a page: whoever switches, the dialogs follow.
    listener_ = StyleManager().AddChangeListener([this] { Apply(); });
    Apply();
}

TGtkStyleService::~TGtkStyleService() {
    StyleManager().RemoveChangeListener(listener_);
    if (installed_ && gdk_screen_get_default() != nullptr)
        gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider_));
    g_object_unref(provider_);
}

std::vector<std::string> TGtkStyleService::Names() const {
    std::vector<std::string> names;
    TStylesUtils::GetAvailables(names, false);
    return names;
}

std::string TGtkStyleService::ActiveName() const {
    return TStylesUtils::GetActiveTheme();
}

void TGtkStyleService::TrySelect(const std::string& name) {
    TStylesUtils::TrySetStyle(name, false);
}

void TGtkStyleService::Apply() {
    const TStylePalette* palette = StyleManager().ActivePalette();
    css_ = palette != nullptr ? ThemeCss(*palette) : std::string();
    GdkScreen* screen = gdk_screen_get_default();
    if (screen == nullptr) return;
    // Our own sheet: a failure to parse it would be our fault, and it leaves the native look.
    if (!gtk_css_provider_load_from_data(provider_, css_.c_str(), static_cast<gssize>(css_.size()), nullptr))
        gtk_css_provider_load_from_data(provider_, "", 0, nullptr);
    if (!installed_) {
        gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider_),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        installed_ = true;
    }
}

}  // namespace vellum
