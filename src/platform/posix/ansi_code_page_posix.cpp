#include "core/system/ansi_code_page.h"
#include "core/text/text_decoding.h"

namespace vellum {

std::string AnsiToUtf8(std::string_view bytes) {
    return Windows1252ToUtf8(bytes);
}

}  // namespace vellum
