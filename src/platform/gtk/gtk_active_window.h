#pragma once

#include <gtk/gtk.h>

namespace vellum {

// The window a modal dialog belongs to: the application's active top-level window, else
// `fallback` when it is shown (the main window), else none.
GtkWindow* ActiveGtkWindow(GtkWindow* fallback);

}  // namespace vellum
