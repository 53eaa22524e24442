#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace vellum {

// A COM variant reduced to what string conversion needs: on Windows a VARIANT is turned into
// this first; other platforms build it directly.
struct TOleDate {
    int Year, Month, Day, Hour, Minute, Second;
};
struct TOleNull {};
struct TOleOther {};  // objects, arrays, errors: nothing to show

using TOleVariant =
    std::variant<std::monostate, TOleNull, std::string, std::int64_t, double, bool, TOleDate, TOleOther>;

}  // namespace vellum
