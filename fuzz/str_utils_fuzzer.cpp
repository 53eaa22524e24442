// A window resolution ("1024x768" somewhere in a text) and the arguments of a URL's query, from
// arbitrary text. A number beyond 32 bits is refused with EConvertError.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "core/text/str_utils.h"

using namespace vellum;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::int32_t width = 0;
    std::int32_t height = 0;
    try {
        TStrUtils::StrToResolution(text, width, height);
        // Both found or neither; a found size is made of digits, so it is never negative.
        if ((width == -1) != (height == -1) || width < -1 || height < -1) std::abort();
    } catch (const EConvertError&) {
    }
    std::vector<std::string> arguments;
    TStrUtils::GetUrlArguments(text, arguments);
    // One argument per "&"-separated item of the query, none without a query.
    const std::size_t separators = static_cast<std::size_t>(std::count(text.begin(), text.end(), '&'));
    if (text.find('?') == std::string_view::npos ? !arguments.empty() : arguments.size() > separators + 1) std::abort();
    return 0;
}
