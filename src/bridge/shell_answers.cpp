#include "bridge/shell_answers.h"

#include "bridge/browser_external_module.h"
#include "core/text/str_utils.h"

namespace vellum {

std::string TrimSystemErrorText(std::string_view text) {
    const std::size_t end = text.find_last_not_of(" \t\r\n.");
    return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

void PostShellOutcome(TBrowserExternalModule& module, const std::string& uuid, const TShellOutcome& outcome) {
    if (outcome.Done) return module.PostSuccess(uuid, "true");
    module.PostFailure(uuid, TStrUtils::StringToJsonString(TrimSystemErrorText(outcome.ErrorText)));
}

std::string StringsAsJsonArray(const std::vector<std::string>& texts) {
    std::string json = "[";
    for (const std::string& text : texts) {
        if (json.size() > 1) json += ',';
        json += TStrUtils::StringToJsonString(text);
    }
    return json + "]";
}

}  // namespace vellum
