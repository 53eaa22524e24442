#include "bridge/bridge_arguments.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "core/errors.h"
#include "core/text/ascii_case.h"

namespace vellum {

namespace {

// Scalars as text, the way a page wrote them: numbers keep their JSON spelling.
std::string ScalarText(const nlohmann::json& value, const std::string& key) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>() ? "true" : "false";
    if (value.is_number()) return value.dump();
    throw EConvertError("Value '" + key + "' is not a text, number or Boolean");
}

}  // namespace

std::string FormatBridgeAnswer(std::string_view uuid, std::string_view result, bool success) {
    std::string text = "{\"uuid\": \"";
    text += uuid;
    text += "\", \"success\": ";
    text += success ? "true" : "false";
    text += ", \"result\": ";
    text += result;
    text += "}";
    return text;
}

std::string ReadArgString(const nlohmann::json& data, const std::string& key, const std::string& defaultValue) {
    if (!data.is_object()) return defaultValue;
    const auto found = data.find(key);
    if (found == data.end() || found->is_null()) return defaultValue;
    return ScalarText(*found, key);
}

bool ReadArgBool(const nlohmann::json& data, const std::string& key, bool defaultValue) {
    if (!data.is_object()) return defaultValue;
    const auto found = data.find(key);
    if (found == data.end() || found->is_null()) return defaultValue;
    if (found->is_boolean()) return found->get<bool>();
    if (found->is_number_integer()) return found->get<std::int64_t>() != 0;
    if (found->is_number_float()) {
        // Whole without a round trip through a 64-bit integer, which is undefined beyond its
        // range (a page may send 1e20); an infinity is no number the page meant.
        const double number = found->get<double>();
        if (std::isfinite(number) && std::trunc(number) == number) return number != 0;
    }
    if (found->is_string()) {
        const std::string text = found->get<std::string>();
        if (EqualIgnoringAsciiCase(text, "true")) return true;
        if (EqualIgnoringAsciiCase(text, "false")) return false;
        std::int64_t number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (error == std::errc() && end == text.data() + text.size() && !text.empty()) return number != 0;
    }
    throw EConvertError("Value '" + key + "' is not a Boolean");
}

std::string ReadRequestText(const nlohmann::json& message, const std::string& key) {
    if (!message.is_object() || !message.contains(key)) throw EVellumError("Value '" + key + "' not found");
    return ScalarText(message[key], key);
}

}  // namespace vellum
