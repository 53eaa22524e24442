#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "bridge/function_ids.h"
#include "browser/browser_page.h"

namespace vellum {

// One page request as a handler sees it. `Data` lives until the handler returns.
struct TBridgeRequest {
    std::string Uuid;
    const nlohmann::json& Data;
};

using TFunctionHandler = std::function<void(const TBridgeRequest& request)>;

// What the dispatcher asks of the module that owns it.
class IBridgeHost {
public:
    virtual ~IBridgeHost() = default;
    // Runtime mode: the module has an attached archive. Otherwise preview mode.
    virtual bool InRuntimeMode() const = 0;
    // Preview mode: the page reported a click ("vlm-webbrowser-clicked").
    virtual void PreviewClicked() = 0;
    // Preview mode: a runtime-only function was called; a modal box tells the user.
    virtual void ShowPreviewMessage(const std::string& text) = 0;
};

// Reads a page message, selects the handler of its function identifier and calls it. Errors
// of the message itself ("Value 'id' not found", a `data` that is not an object) and errors a
// handler does not catch leave the dispatcher; the page then gets no answer.
class TBridgeDispatcher {
public:
    explicit TBridgeDispatcher(IBridgeHost& host) : host_(host) {}

    // Serves one function. Its member name, argument kind and runtime-only flag come from the
    // function table.
    void Register(TFunctionId id, TFunctionHandler handler);
    bool Serves(TFunctionId id) const { return handlers_.count(static_cast<std::int32_t>(id)) != 0; }

    void Dispatch(const TPageMessage& message);

    // A message read the way Dispatch reads it: the parsed JSON, its uuid, and its function
    // identifier when it names one. Raises what Dispatch raises for a damaged message.
    struct TReadMessage {
        nlohmann::json Parsed;
        std::string Uuid;
        std::optional<std::int32_t> Id;
    };
    static TReadMessage ReadMessage(const std::string& json);

    // The box text a runtime-only function shows in preview mode.
    static std::string PreviewMessage(const TFunctionInfo& function);

private:
    struct TEntry {
        const TFunctionInfo* Function;
        TFunctionHandler Handler;
    };
    IBridgeHost& host_;
    std::map<std::int32_t, TEntry> handlers_;
};

}  // namespace vellum
