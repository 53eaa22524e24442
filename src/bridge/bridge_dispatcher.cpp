#include "bridge/bridge_dispatcher.h"

#include <charconv>
#include <stdexcept>

#include "bridge/bridge_arguments.h"
#include "core/errors.h"

namespace vellum {

namespace {

const char* const kPreviewClick = "vlm-webbrowser-clicked";

// A "\\uXXXX" escape's code unit, or -1 when `text` holds no such escape at `at`.
int EscapedCodeUnit(const std::string& text, std::size_t at) {
    if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') return -1;
    int unit = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

bool IsHighSurrogate(int unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(int unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// JSON.stringify writes a string holding half of a surrogate pair as a lone "\\ud800" escape,
// which the JSON reader refuses: the whole request would be lost. Such an escape becomes
// "\\ufffd" (the replacement character); pairs and every other escape stay as written.
std::string ReplaceUnpairedSurrogateEscapes(const std::string& json) {
    std::string result;
    result.reserve(json.size());
    std::size_t i = 0;
    while (i < json.size()) {
        if (json[i] != '\\' || i + 1 >= json.size()) {
            result += json[i++];
            continue;
        }
        const int unit = EscapedCodeUnit(json, i);
        if (IsHighSurrogate(unit) && IsLowSurrogate(EscapedCodeUnit(json, i + 6))) {
            result.append(json, i, 12);
            i += 12;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            result += "\\ufffd";
            i += 6;
        } else {
            // Any other escape, "\\\\" included, is copied whole: its second character starts nothing.
            result.append(json, i, 2);
            i += 2;
        }
    }
    return result;
}

// The whole text must be a 32-bit integer.
bool ParseFunctionId(const std::string& text, std::int32_t& id) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

void TBridgeDispatcher::Register(TFunctionId id, TFunctionHandler handler) {
    const TFunctionInfo* function = FindFunction(static_cast<std::int32_t>(id));
    if (function == nullptr) throw std::logic_error("no such host function");
    handlers_[static_cast<std::int32_t>(id)] = TEntry{function, std::move(handler)};
}

std::string TBridgeDispatcher::PreviewMessage(const TFunctionInfo& function) {
    // The one message that names its function by another family, as the box always has.
    if (function.Id == TFunctionId::FilesExtractFile) return "Calls to vlm.app.extractFile() works only at runtime.";
    return std::string("Calls to vlm.") + function.Member + "() works only at runtime.";
}

void TBridgeDispatcher::Dispatch(const TPageMessage& message) {
    if (!host_.InRuntimeMode() && message.PlainText == kPreviewClick) {
        host_.PreviewClicked();
        return;
    }
    // The parsed message is a local: it goes on every path, also when a read or a handler
    // raises, and it belongs to nothing that a handler may free (app.close ends the window).
    const TReadMessage request = ReadMessage(message.Json);
    if (!request.Id) return;
    const auto entry = handlers_.find(*request.Id);
    if (entry == handlers_.end()) return;
    if (entry->second.Function->RuntimeOnly && !host_.InRuntimeMode()) {
        host_.ShowPreviewMessage(PreviewMessage(*entry->second.Function));
        return;
    }
    entry->second.Handler(TBridgeRequest{request.Uuid, request.Parsed.at("data")});
}

TBridgeDispatcher::TReadMessage TBridgeDispatcher::ReadMessage(const std::string& json) {
    // Only a text the reader refused is looked at again for unpaired surrogate escapes: the
    // requests that parse (nearly all, and the large ones) are not copied.
    TReadMessage request;
    request.Parsed = nlohmann::json::parse(json, nullptr, false);
    if (request.Parsed.is_discarded())
        request.Parsed = nlohmann::json::parse(ReplaceUnpairedSurrogateEscapes(json), nullptr, false);
    const std::string idText = ReadRequestText(request.Parsed, "id");
    request.Uuid = ReadRequestText(request.Parsed, "uuid");
    if (!request.Parsed.contains("data")) throw EVellumError("Value 'data' not found");
    if (!request.Parsed.at("data").is_object()) throw EConvertError("Value 'data' is not an object");
    std::int32_t id = 0;
    if (ParseFunctionId(idText, id)) request.Id = id;
    return request;
}

}  // namespace vellum
