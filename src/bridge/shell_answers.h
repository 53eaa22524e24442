#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "bridge/services/shell_service.h"

namespace vellum {

class TBrowserExternalModule;

// The system's message for a refused action as a page receives it: the text without the
// blanks, line breaks and full stops it ends with ("File not found.\r\n" -> "File not found").
std::string TrimSystemErrorText(std::string_view text);

// `true`, or a failure holding the trimmed system error text as a JSON string.
void PostShellOutcome(TBrowserExternalModule& module, const std::string& uuid, const TShellOutcome& outcome);

// A JSON array of JSON strings with no blanks: ["a","b"], or [] for none.
std::string StringsAsJsonArray(const std::vector<std::string>& texts);

}  // namespace vellum
