#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace vellum {

// The answer message to a page request: {"uuid": "%s", "success": %s, "result": %s}, filled
// with nothing escaped or checked (the result is JSON text the handler made).
std::string FormatBridgeAnswer(std::string_view uuid, std::string_view result, bool success);

// One key of a request's `data` object as text: absent or null gives `defaultValue`, a string
// its content, a number its JSON text, a Boolean "true" or "false". An object or an array
// raises EConvertError.
std::string ReadArgString(const nlohmann::json& data, const std::string& key, const std::string& defaultValue = "");

// One key as a Boolean: absent or null gives `defaultValue`; true and false themselves; a
// string holding true or false in any letter case, or a whole number (zero is false), is
// converted; anything else raises EConvertError.
bool ReadArgBool(const nlohmann::json& data, const std::string& key, bool defaultValue = false);

// A request value read as text for the dispatcher's `id` and `uuid`: a string's content, a
// number's JSON text, "true" or "false". A missing key raises "Value '%s' not found".
std::string ReadRequestText(const nlohmann::json& message, const std::string& key);

}  // namespace vellum
