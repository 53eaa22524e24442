#pragma once

#include <string>

namespace vellum {

// Shows the password prompt modally, captioned `caption`; returns 1 when the typed text
// matched `password` (checked at every key release), 2 when the prompt was closed.
int ShowRequirePasswordForm(const std::string& caption, const std::string& password);

}  // namespace vellum
