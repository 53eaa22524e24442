#include <cstdlib>

#include "platform/user_locale.h"

namespace vellum {

// The language of the messages locale, as the C library reads it from the environment.
std::string GetUserLanguageCode() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        std::string code(value);
        code = code.substr(0, code.find_first_of("_.@"));
        return code == "C" || code == "POSIX" ? "en" : code;
    }
    return "en";
}

}  // namespace vellum
