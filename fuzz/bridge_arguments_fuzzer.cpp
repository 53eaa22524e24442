// The readers of a request's values on arbitrary JSON: every key of the object read as text,
// as a Boolean and as the dispatcher's request text. Each refuses only what it documents
// refusing, with EConvertError; anything else raised, or a crash, is a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "bridge/bridge_arguments.h"
#include "core/errors.h"

using namespace vellum;

namespace {

bool IsScalar(const nlohmann::json& value) {
    return value.is_string() || value.is_number() || value.is_boolean();
}

void ReadEveryWay(const nlohmann::json& data, const std::string& key) {
    const auto found = data.is_object() ? data.find(key) : data.end();
    const bool present = found != data.end() && !found->is_null();
    try {
        const std::string text = ReadArgString(data, key, "default");
        if (!present && text != "default") std::abort();
        if (present && found->is_string() && text != found->get<std::string>()) std::abort();
    } catch (const EConvertError&) {
        if (!present || IsScalar(*found)) std::abort();
    }
    try {
        const bool value = ReadArgBool(data, key, true);
        if (present && found->is_boolean() && value != found->get<bool>()) std::abort();
        if (!present && !value) std::abort();
    } catch (const EConvertError&) {
        if (!present || found->is_boolean()) std::abort();
    }
    try {
        ReadRequestText(data, key);
    } catch (const EVellumError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const nlohmann::json parsed = nlohmann::json::parse(data, data + size, nullptr, false);
    if (parsed.is_discarded()) return 0;
    if (parsed.is_object())
        for (const auto& item : parsed.items()) ReadEveryWay(parsed, item.key());
    ReadEveryWay(parsed, "id");
    const std::string answer = FormatBridgeAnswer("u", parsed.dump(), true);
    if (!nlohmann::json::accept(answer)) std::abort();
    return 0;
}
