#include "core/text/text_decoding.h"
#include "platform/ansi_code_page.h"

namespace vellum {

std::string AnsiToUtf8(std::string_view bytes) {
    return Windows1252ToUtf8(bytes);
}

}  // namespace vellum
