#pragma once

#include <string>
#include <string_view>

namespace vellum {

// Page text as XML character data or attribute content: markup characters become entities
// and characters XML 1.0 forbids (controls other than tab and line breaks, U+FFFE, U+FFFF,
// malformed UTF-8) are dropped, so that no page text can change the document's structure or
// make the platform refuse it.
std::string XmlEscaped(std::string_view utf8);

// The toast document for a title and a body: the two-line text template every toast-capable
// Windows version knows.
std::string ToastXml(std::string_view title, std::string_view body);

// The application user-model identity notifications are shown under, stable for an executable
// of that file name: "Vellum." + the name without its extension (only letters, digits, '.' and
// '-' kept, others '_', at most 64 characters) + "." + eight hexadecimal digits of a hash of the
// whole name in lower case, so that names differing only in dropped characters stay apart.
std::string NotificationAppUserModelId(std::string_view executableFileName);

}  // namespace vellum
