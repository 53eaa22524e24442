#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vellum {

// Standard base64 (RFC 4648: A-Z, a-z, 0-9, "+", "/", "=" as fill) decoded the lenient way a page
// needs: a leading data-URL header ("data:...,") is skipped, blanks and line breaks anywhere are
// skipped, and the data ends at the first group with a fill character or at the first character
// outside the alphabet. What follows the last complete group of four is ignored. Never fails.
std::vector<std::uint8_t> DecodeBase64(std::string_view text);

}  // namespace vellum
