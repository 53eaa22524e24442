#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "bridge/services/style_service.h"

namespace vellum {

// The themes on a GTK desktop: the styles the runtime carries, one of them active through the
// process's style manager, the same catalogue and answers as on Windows. While a style other
// than "Windows" is active, a style sheet made from its palette dresses the host's dialogs on
// the default screen; "Windows" empties it, which is GTK's native look. GTK's dark variant is
// left as the user chose it: it would reach the menus, which keep the native look. Create on the GTK main thread after
// gtk_init.
class TGtkStyleService final : public IStyleService {
public:
    TGtkStyleService();
    ~TGtkStyleService() override;
    TGtkStyleService(const TGtkStyleService&) = delete;
    TGtkStyleService& operator=(const TGtkStyleService&) = delete;

    std::vector<std::string> Names() const override;
    std::string ActiveName() const override;
    void TrySelect(const std::string& name) override;

    // The style sheet now in force; empty for the native look.
    const std::string& ActiveCss() const { return css_; }

private:
    void Apply();

    GtkCssProvider* provider_;
    int listener_;
    bool installed_ = false;
    std::string css_;
};

// Registers the runtime's styles with the process's style manager, once.
void RegisterRuntimeStylesOnce();

}  // namespace vellum
