#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vellum {

// Decodes a text file's bytes to UTF-8: a UTF-8 or UTF-16 (either byte order) byte-order mark
// selects that encoding and is dropped; without one the bytes are read in the system's ANSI
// code page. Ill-formed sequences become U+FFFD; nothing throws.
std::string DecodeTextWithBom(std::string_view bytes);

// Windows-1252 to UTF-8, the ANSI code page of Western systems (bytes it leaves undefined map
// to the C1 controls, as Windows itself maps them).
std::string Windows1252ToUtf8(std::string_view bytes);

// Splits text into lines at CR LF, LF or CR; a final line break does not start another line.
std::vector<std::string> SplitLines(std::string_view text);

// Removes blanks and control characters (code points up to U+0020) from both ends.
std::string TrimText(std::string_view text);

}  // namespace vellum
