#pragma once

#include <array>
#include <cstdint>

namespace vellum {

// The host functions a page can call, by the identifier its request carries. The enumerators,
// like the page library (resources/vlm.js) and its declarations, are generated from the one table
// of the page API, resources/api/functions.json (scripts/generate-api.mjs).
enum class TFunctionId : std::int32_t {
#include "bridge/function_ids.inc"
};

struct TFunctionInfo {
    TFunctionId Id;
    const char* Member;  // the member of window.vlm, for example "app.getArgs"
    bool TakesData;      // the library passes the page's argument object (else {})
    bool RuntimeOnly;    // refuses to run without an attached archive
    // The box a runtime-only function shows in preview mode instead of running; nullptr for the
    // others.
    const char* PreviewMessage;
};

// Every function, in the library's order.
extern const std::array<TFunctionInfo, 61> kFunctionTable;

// The entry of an identifier; nullptr for a number no function has.
const TFunctionInfo* FindFunction(std::int32_t id);

}  // namespace vellum
