#include "core/resources/version_info.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "core/resources/le_bytes.h"
#include "core/text/utf.h"

namespace vellum {

namespace {

// One node of the block: wLength, wValueLength, wType, a zero-terminated UTF-16 key, the
// value, then the children, each part aligned to 4 bytes from the node's start.
struct TNode {
    std::size_t Start = 0;
    std::size_t End = 0;  // Start + wLength
    std::size_t KeyStart = 0;
    std::size_t KeyLength = 0;  // code units, without the terminating zero
    std::uint16_t ValueLength = 0;
    std::size_t ValueStart = 0;
    std::size_t ChildrenStart = 0;
};

std::optional<TNode> ReadNode(std::span<const std::uint8_t> block, std::size_t start, std::size_t limit) {
    const auto length = le::U16(block, start);
    if (!length || *length < 6 || start + *length > limit) return std::nullopt;
    TNode node;
    node.Start = start;
    node.End = start + *length;
    node.ValueLength = *le::U16(block, start + 2);
    const std::uint16_t type = *le::U16(block, start + 4);
    node.KeyStart = start + 6;
    std::size_t at = node.KeyStart;
    for (;; at += 2) {
        const auto unit = le::U16(block.first(node.End), at);
        if (!unit) return std::nullopt;  // the key runs past the node
        if (*unit == 0) break;
    }
    node.KeyLength = (at - node.KeyStart) / 2;
    node.ValueStart = start + le::AlignUp(at + 2 - start, 4);
    const std::size_t valueBytes = type == 1 ? std::size_t{node.ValueLength} * 2 : node.ValueLength;
    node.ChildrenStart = start + le::AlignUp(node.ValueStart - start + valueBytes, 4);
    return node;
}

char16_t FoldAscii(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

bool KeyIs(std::span<const std::uint8_t> block, const TNode& node, std::u16string_view name) {
    if (node.KeyLength != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (FoldAscii(static_cast<char16_t>(*le::U16(block, node.KeyStart + 2 * i))) != FoldAscii(name[i]))
            return false;
    return true;
}

std::optional<TNode> FindChild(std::span<const std::uint8_t> block, const TNode& parent, std::u16string_view name) {
    for (std::size_t at = parent.ChildrenStart; at < parent.End;) {
        const auto child = ReadNode(block, at, parent.End);
        if (!child) return std::nullopt;
        if (KeyIs(block, *child, name)) return child;
        at += le::AlignUp(child->End - child->Start, 4);
    }
    return std::nullopt;
}

// The node at a path of keys below the root, as the system's version query walks it.
std::optional<TNode> FindPath(std::span<const std::uint8_t> block, const TNode& root,
                              std::initializer_list<std::u16string_view> path) {
    std::optional<TNode> node = root;
    for (std::u16string_view key : path) {
        node = FindChild(block, *node, key);
        if (!node) return std::nullopt;
    }
    return node;
}

std::optional<TNode> ReadRoot(std::span<const std::uint8_t> block) {
    // A block whose fifth byte is a printable character is the 16-bit (ANSI) form, whose
    // texts are not UTF-16: the runtime's is never one.
    if (block.size() < 6 || block[4] >= 0x20) return std::nullopt;
    return ReadNode(block, 0, block.size());
}

}  // namespace

std::u16string CutToRoom(std::u16string_view value, std::size_t room) {
    if (value.size() <= room) return std::u16string(value);
    std::size_t keep = room;
    const auto isHigh = [](char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; };
    const auto isLow = [](char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; };
    if (keep > 0 && isHigh(value[keep - 1]) && isLow(value[keep])) --keep;
    return std::u16string(value.substr(0, keep));
}

void RewriteVersionTexts(std::span<std::uint8_t> block, const TVersionTexts& texts) {
    const auto root = ReadRoot(block);
    if (!root) return;
    const auto translation = FindPath(block, *root, {u"VarFileInfo", u"Translation"});
    if (!translation) return;
    const std::size_t tableEnd = std::min(translation->ValueStart + translation->ValueLength, translation->End);
    for (std::size_t pair = translation->ValueStart; pair + 4 <= tableEnd; pair += 4) {
        char key[9];
        std::snprintf(key, sizeof key, "%04X%04X", *le::U16(block, pair), *le::U16(block, pair + 2));
        const std::u16string tableKey = Utf8ToUtf16(key);
        for (std::size_t i = 0; i < kVersionTextCount; ++i) {
            const auto value = FindPath(block, *root, {u"StringFileInfo", tableKey, kVersionTextNames[i]});
            if (!value || value->ValueLength == 0) continue;
            const std::size_t room = value->ValueLength;  // characters, the terminating zero included
            if (value->ValueStart + 2 * room > value->End) continue;  // a room the node does not hold
            const std::u16string text = CutToRoom(Utf8ToUtf16(texts[i]), room - 1);
            std::span<std::uint8_t> target = block.subspan(value->ValueStart, 2 * room);
            std::fill(target.begin(), target.end(), std::uint8_t{0});
            for (std::size_t unit = 0; unit < text.size(); ++unit)
                le::PutU16(target, 2 * unit, static_cast<std::uint16_t>(text[unit]));
        }
    }
}

std::size_t VersionBlockSize(std::span<const std::uint8_t> block) {
    const auto length = le::U16(block, 0);
    return length && *length > 0 && *length <= block.size() ? *length : block.size();
}

}  // namespace vellum
