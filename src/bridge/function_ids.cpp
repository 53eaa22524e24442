#include "bridge/function_ids.h"

#include <iterator>

namespace vellum {

namespace {

// The rows come from the page API's table, resources/api/functions.json (scripts/generate-api.mjs).
// Counted here, so that a table with a function more or less fails to build instead of leaving
// empty rows.
constexpr TFunctionInfo kRows[] = {
#include "bridge/function_table.inc"
};
static_assert(std::size(kRows) == 61, "the page API has 61 functions");

}  // namespace

const std::array<TFunctionInfo, 61> kFunctionTable = std::to_array(kRows);

const TFunctionInfo* FindFunction(std::int32_t id) {
    for (const TFunctionInfo& info : kFunctionTable)
        if (static_cast<std::int32_t>(info.Id) == id) return &info;
    return nullptr;
}

}  // namespace vellum
