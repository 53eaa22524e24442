#include "platform/gtk/menu_mnemonic.h"

namespace vellum {

std::string GtkMnemonicLabel(std::string_view caption) {
    std::string label;
    label.reserve(caption.size() + 4);
    bool marked = false;  // GTK takes the first mnemonic only; later "&"s show nothing either
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const char c = caption[i];
        if (c == '_') {
            label += "__";
        } else if (c != '&') {
            label += c;
        } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
            label += '&';
            ++i;
        } else if (i + 1 < caption.size() && !marked && caption[i + 1] != '_') {
            label += '_';
            marked = true;
        }
    }
    return label;
}

}  // namespace vellum
