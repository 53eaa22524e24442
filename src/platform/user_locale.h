#pragma once

#include <string>

namespace vellum {

// The user's language as an ISO 639 two-letter code ("en", "it", "zh", ...).
std::string GetUserLanguageCode();

}  // namespace vellum
