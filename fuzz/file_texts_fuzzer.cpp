// The texts the file functions take from a page: base64 contents and wildcard masks. Base64
// never fails and yields at most three bytes per four characters; what it yields, encoded
// again, decodes to the same bytes. A mask is matched against a name without recursion: the
// input is split at its first zero byte into mask and name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/base64.h"
#include "core/text/wildcard_mask.h"

using namespace vellum;

namespace {

std::string EncodeBase64(const std::vector<std::uint8_t>& bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t group = (static_cast<std::uint32_t>(bytes[i]) << 16) |
                                    (i + 1 < bytes.size() ? static_cast<std::uint32_t>(bytes[i + 1]) << 8 : 0) |
                                    (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        text += kAlphabet[(group >> 18) & 63];
        text += kAlphabet[(group >> 12) & 63];
        text += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=';
        text += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::vector<std::uint8_t> bytes = DecodeBase64(text);
    if (bytes.size() > size / 4 * 3) std::abort();
    if (DecodeBase64(EncodeBase64(bytes)) != bytes) std::abort();

    const std::size_t zero = text.find('\0');
    const std::string_view mask = text.substr(0, zero);
    const std::string_view name = zero == std::string_view::npos ? std::string_view() : text.substr(zero + 1);
    const bool matches = MatchesWildcardMask(name, mask);
    // "*" takes every name, and a name without wildcards matches itself.
    if (!MatchesWildcardMask(name, "*")) std::abort();
    if (name.find_first_of("*?") == std::string_view::npos && !MatchesWildcardMask(name, name)) std::abort();
    (void)matches;
    (void)IsValidWildcardMask(mask);
    return 0;
}
