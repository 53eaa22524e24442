#pragma once

#include <string>
#include <string_view>

namespace vellum {

// A menu caption as a GTK mnemonic label: "&" before a character marks the accelerator ("_"
// for GTK), "&&" is a literal "&", and a literal "_" is doubled so that GTK shows it as
// written. A lone "&" at the end shows as nothing, as in Windows menus.
std::string GtkMnemonicLabel(std::string_view caption);

}  // namespace vellum
