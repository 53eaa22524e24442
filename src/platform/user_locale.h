#pragma once

#include <string>

namespace vellum {

// The user's language as an ISO 639 two-letter code ("en", "it", "zh", ...).
std::string GetUserLanguageCode();

// The user's decimal separator (".", ",", ...), read anew at every call.
std::string GetUserDecimalSeparator();

}  // namespace vellum
