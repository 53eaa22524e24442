#include "platform/gtk/x11_window_captions.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>

namespace vellum {

namespace {

// _NET_WM_NAME (UTF-8), else WM_NAME in the locale's text encoding.
std::string WindowTitle(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1 << 16, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr && type == utf8 && format == 8)
        title.assign(reinterpret_cast<const char*>(data), count);
    if (data != nullptr) XFree(data);
    if (!title.empty()) return title;
    XTextProperty property{};
    if (XGetWMName(display, window, &property) != 0 && property.value != nullptr) {
        char** list = nullptr;
        int items = 0;
        if (Xutf8TextPropertyToTextList(display, &property, &list, &items) >= Success && list != nullptr) {
            if (items > 0 && list[0] != nullptr) title = list[0];
            XFreeStringList(list);
        }
        XFree(property.value);
    }
    return title;
}

bool Blank(const std::string& title) {
    return std::all_of(title.begin(), title.end(), [](char c) { return c == ' ' || c == '\t'; });
}

std::vector<Window> Children(Display* display, Window window) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, window, &root, &parent, &children, &count) != 0 && children != nullptr)
        result.assign(children, children + count);
    if (children != nullptr) XFree(children);
    return result;  // bottom of the stack first
}

}  // namespace

std::vector<std::string> X11WindowCaptions() {
    GdkDisplay* gdkDisplay = gdk_display_get_default();
    if (gdkDisplay == nullptr || !GDK_IS_X11_DISPLAY(gdkDisplay)) return {};
    Display* display = GDK_DISPLAY_XDISPLAY(gdkDisplay);
    std::vector<std::string> titles;
    gdk_x11_display_error_trap_push(gdkDisplay);  // a window may go while it is read
    std::vector<Window> stack = Children(display, DefaultRootWindow(display));
    for (auto window = stack.rbegin(); window != stack.rend(); ++window) {
        std::string title = WindowTitle(display, *window);
        if (title.empty())  // a frame: the title is its client's
            for (const Window client : Children(display, *window))
                if (title = WindowTitle(display, client); !title.empty()) break;
        if (!Blank(title)) titles.push_back(std::move(title));
    }
    gdk_x11_display_error_trap_pop_ignored(gdkDisplay);
    return titles;
}

}  // namespace vellum
