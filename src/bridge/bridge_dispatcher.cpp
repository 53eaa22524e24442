#include "bridge/bridge_dispatcher.h"

#include <charconv>
#include <stdexcept>

#include "bridge/bridge_arguments.h"
#include "core/errors.h"

namespace vellum {

namespace {

const char* const kPreviewClick = "vlm-webbrowser-clicked";

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
    return std::string("Calls to vlm.") + function.Member + "() works only at runtime.";
}

void TBridgeDispatcher::Dispatch(const TPageMessage& message) {
    if (!host_.InRuntimeMode() && message.PlainText == kPreviewClick) {
        host_.PreviewClicked();
        return;
    }
    // The parsed message is a local: it goes on every path, also when a read or a handler
    // raises, and it belongs to nothing that a handler may free (app.close ends the window).
    const nlohmann::json parsed = nlohmann::json::parse(message.Json, nullptr, false);
    const std::string idText = ReadRequestText(parsed, "id");
    const std::string uuid = ReadRequestText(parsed, "uuid");
    if (!parsed.contains("data")) throw EVellumError("Value 'data' not found");
    const nlohmann::json& data = parsed["data"];
    if (!data.is_object()) throw EConvertError("Value 'data' is not an object");
    std::int32_t id = 0;
    if (!ParseFunctionId(idText, id)) return;
    const auto entry = handlers_.find(id);
    if (entry == handlers_.end()) return;
    if (entry->second.Function->RuntimeOnly && !host_.InRuntimeMode()) {
        host_.ShowPreviewMessage(PreviewMessage(*entry->second.Function));
        return;
    }
    entry->second.Handler(TBridgeRequest{uuid, data});
}

}  // namespace vellum
