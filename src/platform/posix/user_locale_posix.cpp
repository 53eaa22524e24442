#include <langinfo.h>
#include <locale.h>

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

// The numeric locale's separator, as the C library gives it for the environment's locale.
std::string GetUserDecimalSeparator() {
    locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return ".";
    const char* separator = nl_langinfo_l(RADIXCHAR, locale);
    std::string text = separator != nullptr && *separator != '\0' ? separator : ".";
    freelocale(locale);
    return text;
}

}  // namespace vellum
