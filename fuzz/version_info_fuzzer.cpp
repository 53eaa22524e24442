// The version-text rewriter on arbitrary blocks: it never writes outside the block, never
// changes its size, gives the same block when run twice.
// The first byte chooses the length of the texts, so that cuts to the room are reached too.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/resources/version_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    vellum::TVersionTexts texts;
    const std::size_t length = data[0];
    for (std::size_t i = 0; i < texts.size(); ++i) {
        texts[i] = std::string(length, static_cast<char>('A' + i));
        texts[i] += "\xF0\x9F\x98\x80";  // a character beyond the 16-bit range: a surrogate pair
    }
    std::vector<std::uint8_t> block(data + 1, data + size);
    const std::vector<std::uint8_t> before = block;
    vellum::RewriteVersionTexts(block, texts);
    if (block.size() != before.size()) std::abort();
    if (vellum::VersionBlockSize(block) > block.size()) std::abort();
    // Every room is cleared before it is written: a second rewrite changes nothing more.
    const std::vector<std::uint8_t> once = block;
    vellum::RewriteVersionTexts(block, texts);
    if (block != once) std::abort();
    // The words before offset 6 are structure, never a value's room.
    for (std::size_t i = 0; i < std::min<std::size_t>(6, block.size()); ++i)
        if (block[i] != before[i]) std::abort();
    return 0;
}
