#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vellum {

// The version-information texts a packaged executable gets, in the order they are written.
// "ProgramID" is this program's own key beside the ten standard ones.
constexpr std::size_t kVersionTextCount = 11;
constexpr std::array<std::u16string_view, kVersionTextCount> kVersionTextNames = {
    u"CompanyName",     u"FileDescription",  u"FileVersion", u"InternalName",   u"LegalCopyright", u"LegalTrademarks",
    u"OriginalFileName", u"ProgramID",       u"ProductName", u"ProductVersion", u"Comments",
};
using TVersionTexts = std::array<std::string, kVersionTextCount>;  // UTF-8, in the order above

// The value cut to `room` UTF-16 code units by whole characters: a surrogate pair that does
// not fit whole is left out whole, never split.
std::u16string CutToRoom(std::u16string_view value, std::size_t room);

// Rewrites the texts of a version-information block (VS_VERSIONINFO) in place, for every
// language and code page its translation table lists: a value that the block has is filled
// with zeros over its whole room (its length, terminating zero included) and gets the new text
// cut to the room less one; a value the block lacks is skipped. Names match without regard
// to letter case. Nothing outside a value's own room changes, whatever the block claims.
void RewriteVersionTexts(std::span<std::uint8_t> block, const TVersionTexts& texts);

// How many bytes of a block (as read from the resource) form the version information: the
// root's own length when it is within the bytes, else all of them.
std::size_t VersionBlockSize(std::span<const std::uint8_t> block);

}  // namespace vellum
