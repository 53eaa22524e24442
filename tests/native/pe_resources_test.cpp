// The portable editor of a Windows executable's resources: the icon-file rules, the version
// texts rewritten within their rooms, and the resource section rebuilt around its neighbours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/errors.h"
#include "platform/exe_resource_editor.h"
#include "core/resources/icon_file.h"
#include "core/resources/pe_resources.h"
#include "core/resources/version_info.h"
#include "core/text/utf.h"
#include "test_files.h"

namespace vellum {
namespace {

using testing::TBytes;

// A small mingw-built program: .text .data .rdata .pdata .xdata .idata .rsrc .reloc, with a
// two-image MAINICON, an RCDATA "NOTES" and a version block (tests/fixtures/pe_resources).
std::filesystem::path SampleExe() {
    return std::filesystem::path(VELLUM_SOURCE_DIR) / "tests/fixtures/pe_resources/sample.exe";
}

std::uint32_t U32At(const TBytes& bytes, std::size_t at) {
    std::uint32_t value;
    std::memcpy(&value, &bytes[at], 4);
    return value;
}
void PutU32At(TBytes& bytes, std::size_t at, std::uint32_t value) {
    std::memcpy(&bytes[at], &value, 4);
}

// The section table as the loader reads it, straight from the bytes.
struct TSectionRow {
    std::string Name;
    std::uint32_t VirtualSize, VirtualAddress, RawSize, RawOffset;
};
struct THeaders {
    std::size_t Optional;
    std::vector<TSectionRow> Sections;
};
THeaders ReadHeaders(const TBytes& file) {
    const std::uint32_t pe = U32At(file, 0x3C);
    std::uint16_t count, optionalSize;
    std::memcpy(&count, &file[pe + 6], 2);
    std::memcpy(&optionalSize, &file[pe + 20], 2);
    THeaders headers{pe + 24, {}};
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = pe + 24 + optionalSize + 40 * i;
        headers.Sections.push_back({std::string(reinterpret_cast<const char*>(&file[entry]), strnlen(reinterpret_cast<const char*>(&file[entry]), 8)),
                                    U32At(file, entry + 8), U32At(file, entry + 12), U32At(file, entry + 16),
                                    U32At(file, entry + 20)});
    }
    return headers;
}
const TSectionRow& Section(const THeaders& headers, const std::string& name) {
    for (const TSectionRow& row : headers.Sections)
        if (row.Name == name) return row;
    throw std::runtime_error("no section " + name);
}
TBytes RawData(const TBytes& file, const TSectionRow& section) {
    return TBytes(file.begin() + section.RawOffset, file.begin() + section.RawOffset + section.RawSize);
}

// An icon file with one image per size; image i holds `size` bytes of the value 0x40 + i.
TBytes MakeIconFile(const std::vector<std::uint32_t>& sizes) {
    TBytes file(6 + 16 * sizes.size());
    file[2] = 1;
    file[4] = static_cast<std::uint8_t>(sizes.size());
    file[5] = static_cast<std::uint8_t>(sizes.size() >> 8);
    std::uint32_t offset = static_cast<std::uint32_t>(file.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        file[6 + 16 * i] = file[6 + 16 * i + 1] = static_cast<std::uint8_t>(16 + i);
        PutU32At(file, 6 + 16 * i + 8, sizes[i]);
        PutU32At(file, 6 + 16 * i + 12, offset);
        offset += sizes[i];
    }
    for (std::size_t i = 0; i < sizes.size(); ++i) file.insert(file.end(), sizes[i], static_cast<std::uint8_t>(0x40 + i));
    return file;
}

TEST(IconFileTest, ValidatesTheWayTheResourceUpdateNeedsIt) {
    TBytes pastEnd = MakeIconFile({40, 60});
    pastEnd.pop_back();  // the last image ends one byte beyond the file
    TBytes program = MakeIconFile({40});
    program[0] = 'M';
    program[1] = 'Z';
    TBytes moreEntries = MakeIconFile({40});
    moreEntries[4] = 9;
    TBytes wrapping = MakeIconFile({16});
    PutU32At(wrapping, 6 + 12, 0xFFFFFFF8);  // offset + size beyond 32 bits
    // As many images as identifiers from 100 up to 65,535, and one more.
    TBytes mostImages(6 + 16 * std::size_t{kMaxIconImages});
    mostImages[2] = 1;
    mostImages[4] = static_cast<std::uint8_t>(kMaxIconImages);
    mostImages[5] = static_cast<std::uint8_t>(kMaxIconImages >> 8);
    TBytes tooMany = mostImages;
    tooMany.resize(tooMany.size() + 16);
    tooMany[4] = static_cast<std::uint8_t>(kMaxIconImages + 1);
    tooMany[5] = static_cast<std::uint8_t>((kMaxIconImages + 1) >> 8);

    struct TCase {
        const char* what;
        TBytes file;
        std::optional<std::size_t> images;
    };
    const TCase cases[] = {
        {"three images", MakeIconFile({40, 300, 1000}), 3},
        {"no images", MakeIconFile({}), 0},
        {"image past the end", pastEnd, std::nullopt},
        {"an executable", program, std::nullopt},
        {"shorter than its header", TBytes{0, 0, 1, 0, 1}, std::nullopt},
        {"more entries than bytes", moreEntries, std::nullopt},
        {"offset and size wrap", wrapping, std::nullopt},
        {"every identifier used", mostImages, kMaxIconImages},
        {"identifiers would wrap", tooMany, std::nullopt},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto images = ParseIconFile(c.file);
        ASSERT_EQ(images.has_value(), c.images.has_value());
        if (images) {
            EXPECT_EQ(images->size(), *c.images);
        }
    }
}

TEST(IconFileTest, TheGroupRepeatsTheEntriesWithNewIdentifiers) {
    const TBytes icon = MakeIconFile({40, 300});
    const auto images = ParseIconFile(icon);
    ASSERT_TRUE(images);
    const TBytes oldGroup = {0, 0, 1, 0, 1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 7, 0};
    const TBytes group = BuildIconGroup(oldGroup, *images);
    ASSERT_EQ(group.size(), 6u + 2 * 14u);
    EXPECT_EQ(TBytes(group.begin(), group.begin() + 6), (TBytes{0, 0, 1, 0, 2, 0}));
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(0, std::memcmp(&group[6 + 14 * i], &icon[6 + 16 * i], 12));
    }
    EXPECT_EQ(IconGroupIds(group), (std::vector<std::uint16_t>{100, 101}));
    EXPECT_EQ(IconGroupIds(oldGroup), (std::vector<std::uint16_t>{7}));
    TBytes claimsMore = oldGroup;
    claimsMore[4] = 200;
    EXPECT_EQ(IconGroupIds(claimsMore), (std::vector<std::uint16_t>{7})) << "no more entries than bytes";
}

TEST(VersionTextTest, CutsByWholeCharacters) {
    const std::u16string pair = u"\U0001F600";  // one character, two code units
    struct TCase {
        std::u16string value;
        std::size_t room;
        std::u16string expected;
    };
    const TCase cases[] = {
        {u"abc", 7, u"abc"},
        {u"1.2.3.4.5", 7, u"1.2.3.4"},
        {u"abcdef" + pair, 7, u"abcdef"},    // the pair would be cut in half: it is left out
        {u"abcde" + pair, 7, u"abcde" + pair},  // it fits whole
        {pair + pair, 3, pair},
        {u"x", 0, u""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.value));
        EXPECT_EQ(CutToRoom(c.value, c.room), c.expected);
    }
}

// A version block built by hand, node by node (each part aligned to 4 bytes from the node).
TBytes Node(std::u16string_view key, std::uint16_t type, const TBytes& value, std::uint16_t valueLength,
            const std::vector<TBytes>& children = {}) {
    TBytes node(6);
    for (char16_t unit : key) node.insert(node.end(), {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)});
    node.insert(node.end(), {0, 0});
    node.resize((node.size() + 3) / 4 * 4);
    node.insert(node.end(), value.begin(), value.end());
    for (const TBytes& child : children) {
        node.resize((node.size() + 3) / 4 * 4);
        node.insert(node.end(), child.begin(), child.end());
    }
    node[0] = static_cast<std::uint8_t>(node.size());
    node[1] = static_cast<std::uint8_t>(node.size() >> 8);
    node[2] = static_cast<std::uint8_t>(valueLength);
    node[3] = static_cast<std::uint8_t>(valueLength >> 8);
    node[4] = static_cast<std::uint8_t>(type);
    return node;
}
TBytes Text(std::u16string_view key, std::u16string_view text) {
    TBytes value;
    for (char16_t unit : text) value.insert(value.end(), {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)});
    value.insert(value.end(), {0, 0});
    return Node(key, 1, value, static_cast<std::uint16_t>(text.size() + 1));
}
TBytes Block(const std::vector<TBytes>& strings, const TBytes& translations = {0x09, 0x04, 0xE4, 0x04},
             std::u16string_view table = u"040904E4") {
    return Node(u"VS_VERSION_INFO", 0, TBytes(52, 0), 52,
                {Node(u"StringFileInfo", 1, {}, 0, {Node(table, 1, {}, 0, strings)}),
                 Node(u"VarFileInfo", 1, {}, 0, {Node(u"Translation", 0, translations, static_cast<std::uint16_t>(translations.size()))})});
}
// The text stored at a value's room, zeros included, found by searching the key in the block.
std::u16string StoredText(const TBytes& block, std::u16string_view key, std::size_t room) {
    TBytes pattern;
    for (char16_t unit : key) pattern.insert(pattern.end(), {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)});
    pattern.insert(pattern.end(), {0, 0});
    const auto at = std::search(block.begin(), block.end(), pattern.begin(), pattern.end());
    if (at == block.end()) return u"<missing>";
    const std::size_t nodeStart = static_cast<std::size_t>(at - block.begin()) - 6;
    const std::size_t value = nodeStart + (6 + pattern.size() + 3) / 4 * 4;
    std::u16string text(room, u'\0');
    for (std::size_t i = 0; i < room; ++i) text[i] = static_cast<char16_t>(block[value + 2 * i] | block[value + 2 * i + 1] << 8);
    return text;
}

TVersionTexts Texts(std::initializer_list<std::pair<std::size_t, std::string>> set) {
    TVersionTexts texts;
    for (const auto& [index, text] : set) texts[index] = text;
    return texts;
}

TEST(VersionTextTest, RewritesEachTextWithinItsRoomAndKeepsEverySize) {
    const std::u16string room16(16, u' ');
    const TBytes before = Block({Text(u"CompanyName", room16), Text(u"FileVersion", u"1.0.0.0"),
                                 Text(u"OriginalFilename", room16), Text(u"Comments", room16)});
    TBytes block = before;
    // CompanyName, FileVersion, OriginalFileName (matched without case), ProductName (absent), Comments
    RewriteVersionTexts(block, Texts({{0, "Acme"}, {2, "10.20.30.40"}, {6, "hello.exe"}, {8, "absent"},
                                      {10, "100% \xF0\x9F\x98\x80 and more text"}}));
    ASSERT_EQ(block.size(), before.size());
    struct TCase {
        std::u16string_view key;
        std::size_t room;
        std::u16string expected;
    };
    const TCase cases[] = {
        {u"CompanyName", 17, u"Acme"},
        {u"FileVersion", 8, u"10.20.3"},
        {u"OriginalFilename", 17, u"hello.exe"},
        {u"Comments", 17, u"100% \U0001F600 and more"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.key));
        std::u16string expected = c.expected;
        expected.resize(c.room, u'\0');  // zeros after the text, to the end of the room
        EXPECT_EQ(StoredText(block, c.key, c.room), expected);
    }
    EXPECT_EQ(StoredText(block, u"ProductName", 1), u"<missing>") << "a text the block lacks is not added";
    // Only the rooms changed: blank them in both and the blocks are the same.
    TBytes rest = block, restBefore = before;
    for (const TCase& c : cases)
        for (TBytes* b : {&rest, &restBefore}) {
            std::u16string blank(c.room, u'\0');
            TBytes pattern;
            for (char16_t unit : c.key) pattern.insert(pattern.end(), {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)});
            const auto at = std::search(b->begin(), b->end(), pattern.begin(), pattern.end());
            const std::size_t value = static_cast<std::size_t>(at - b->begin()) - 6 + (6 + pattern.size() + 2 + 3) / 4 * 4;
            std::fill(b->begin() + static_cast<long>(value), b->begin() + static_cast<long>(value + 2 * c.room), 0);
        }
    EXPECT_EQ(rest, restBefore);
}

TEST(VersionTextTest, EveryTranslationIsRewrittenAndBlocksWithoutOneAreLeftAlone) {
    // Two pairs, only the second of which has a table.
    const TBytes twoPairs = {0x09, 0x04, 0xE4, 0x04, 0x09, 0x04, 0xB0, 0x04};
    TBytes block = Block({Text(u"companyname", u"        ")}, twoPairs, u"040904b0");
    RewriteVersionTexts(block, Texts({{0, "Acme"}}));
    EXPECT_EQ(StoredText(block, u"companyname", 9), std::u16string(u"Acme\0\0\0\0\0", 9));

    struct TCase {
        const char* what;
        TBytes block;
    };
    TBytes noTranslation = Node(u"VS_VERSION_INFO", 0, TBytes(52, 0), 52,
                                {Node(u"StringFileInfo", 1, {}, 0, {Node(u"040904E4", 1, {}, 0, {Text(u"CompanyName", u"    ")})})});
    TBytes roomBeyondNode = Block({Text(u"CompanyName", u"    ")});
    // The value claims 200 characters in a node of a few bytes.
    const auto at = std::search(roomBeyondNode.begin(), roomBeyondNode.end(), std::begin("C\0o\0m"), std::end("C\0o\0m") - 1);
    roomBeyondNode[static_cast<std::size_t>(at - roomBeyondNode.begin()) - 4] = 200;
    TBytes ansiBlock = Block({Text(u"CompanyName", u"    ")});
    ansiBlock[4] = 'V';
    const TCase cases[] = {
        {"no translation table", noTranslation},
        {"a room beyond its node", roomBeyondNode},
        {"a 16-bit block", ansiBlock},
        {"empty", {}},
        {"a node shorter than its header", TBytes{4, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TBytes edited = c.block;
        RewriteVersionTexts(edited, Texts({{0, "Acme"}}));
        EXPECT_EQ(edited, c.block);
    }
    // Every cut of a good block: nothing outside it is touched (the sanitizers watch), and its
    // size stays.
    const TBytes good = Block({Text(u"CompanyName", u"    "), Text(u"Comments", u"  ")});
    for (std::size_t size = 0; size < good.size(); ++size) {
        TBytes cut(good.begin(), good.begin() + static_cast<long>(size));
        RewriteVersionTexts(cut, Texts({{0, "Acme"}, {10, "xy"}}));
        EXPECT_EQ(cut.size(), size);
    }
}

class PeResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        original = testing::ReadFile(SampleExe());
        testing::WriteFile(exe, original);
    }
    std::optional<TResourceTable> ResourcesOf(const TBytes& file) {
        auto image = TPeImage::Parse(file);
        if (!image) return std::nullopt;
        return image->ReadResources();
    }
    std::string ChangeIconError(const TBytes& icon, const std::filesystem::path& target) {
        testing::WriteFile(dir / "icon.ico", icon);
        try {
            TPeResourceEditor::ChangeExeIcon(target, dir / "icon.ico");
        } catch (const EVellumError& error) {
            return error.what();
        }
        return "no error";
    }

    testing::TTempDir dir;
    std::filesystem::path exe = dir / "app.exe";
    TBytes original;
};

const TResourceKey kGroupIcon = TResourceKey::Of(14);
const TResourceKey kIcon = TResourceKey::Of(3);
const TResourceKey kMainIcon = TResourceKey::Of(u"MAINICON");

TEST_F(PeResourcesTest, ReadsTheResourcesTheCompilerWrote) {
    const auto resources = ResourcesOf(original);
    ASSERT_TRUE(resources);
    EXPECT_EQ(resources->Entries().size(), 5u);  // two images, the group, the notes, the version
    const TResource* group = resources->Find(kGroupIcon, kMainIcon, 1033);
    ASSERT_NE(group, nullptr);
    const std::vector<std::uint16_t> ids = IconGroupIds(group->Data);
    ASSERT_EQ(ids.size(), 2u);
    const std::size_t sizes[] = {40, 72};
    for (std::size_t i = 0; i < 2; ++i) {
        const TResource* image = resources->Find(kIcon, TResourceKey::Of(ids[i]), 1033);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->Data, TBytes(sizes[i], static_cast<std::uint8_t>(0x60 + i)));
    }
    const TResource* notes = resources->FindAnyLanguage(TResourceKey::Of(10), TResourceKey::Of(u"NOTES"));
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(std::string(notes->Data.begin(), notes->Data.end()).substr(0, 13), "kept as it is");
    const std::size_t checksumAt = ReadHeaders(original).Optional + 64;
    EXPECT_EQ(PeChecksum(original, checksumAt), U32At(original, checksumAt)) << "the linker's own checksum";
}

TEST_F(PeResourcesTest, GrowingTheResourcesMovesTheRelocationsAndKeepsTheRest) {
    auto image = TPeImage::Parse(original);
    ASSERT_TRUE(image);
    auto resources = image->ReadResources();
    ASSERT_TRUE(resources);
    const TBytes big(100000, 0x5A);
    resources->Put(TResourceKey::Of(10), TResourceKey::Of(u"BIG"), 1033, big);
    ASSERT_TRUE(image->ReplaceResources(*resources));
    const TBytes after = image->Bytes();  // a copy: the image is rewritten again below

    const THeaders was = ReadHeaders(original), now = ReadHeaders(after);
    const TSectionRow &rsrc = Section(now, ".rsrc"), &reloc = Section(now, ".reloc"), &oldReloc = Section(was, ".reloc");
    EXPECT_GE(rsrc.VirtualSize, big.size());
    EXPECT_EQ(rsrc.RawSize % 0x200, 0u);
    EXPECT_EQ(reloc.VirtualAddress, (rsrc.VirtualAddress + rsrc.VirtualSize + 0xFFF) / 0x1000 * 0x1000);
    EXPECT_EQ(reloc.RawOffset, rsrc.RawOffset + rsrc.RawSize);
    EXPECT_EQ(RawData(after, reloc), RawData(original, oldReloc)) << "the relocations move whole";
    for (const char* name : {".text", ".data", ".rdata", ".idata"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(RawData(after, Section(now, name)), RawData(original, Section(was, name)));
        EXPECT_EQ(Section(now, name).VirtualAddress, Section(was, name).VirtualAddress);
    }
    const std::size_t directories = now.Optional + 112;
    EXPECT_EQ(U32At(after, directories + 8 * 5), reloc.VirtualAddress) << "the relocation directory follows";
    EXPECT_EQ(U32At(after, directories + 8 * 2 + 4), rsrc.VirtualSize);
    EXPECT_EQ(U32At(after, now.Optional + 56), (reloc.VirtualAddress + reloc.VirtualSize + 0xFFF) / 0x1000 * 0x1000)
        << "SizeOfImage";
    EXPECT_EQ(U32At(after, now.Optional + 64), PeChecksum(after, now.Optional + 64));
    EXPECT_EQ(after.size(), std::size_t{reloc.RawOffset} + reloc.RawSize) << "the image ends where the file does";

    const auto reread = ResourcesOf(after);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->Entries().size(), 6u);
    for (const TResource& resource : resources->Entries()) {
        const TResource* found = reread->Find(resource.Type, resource.Name, resource.Language);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->Data, resource.Data);
    }

    // And back: the section shrinks to the original resources' size again.
    resources->Erase(TResourceKey::Of(10), TResourceKey::Of(u"BIG"), 1033);
    ASSERT_TRUE(image->ReplaceResources(*resources));
    const THeaders back = ReadHeaders(image->Bytes());
    EXPECT_EQ(Section(back, ".reloc").VirtualAddress, oldReloc.VirtualAddress);
    EXPECT_EQ(RawData(image->Bytes(), Section(back, ".reloc")), RawData(original, oldReloc));
    EXPECT_LT(image->Bytes().size(), after.size());
    EXPECT_EQ(image->Bytes().size(), std::size_t{Section(back, ".reloc").RawOffset} + Section(back, ".reloc").RawSize);
}

TEST_F(PeResourcesTest, LayoutsItCannotRebuildAreRefusedUnchanged) {
    const THeaders headers = ReadHeaders(original);
    TBytes signedImage = original;
    PutU32At(signedImage, headers.Optional + 112 + 8 * 4, 0x1000);
    PutU32At(signedImage, headers.Optional + 112 + 8 * 4 + 4, 0x10);
    TBytes keptAfter = original;  // the relocations made a section the loader keeps
    const std::uint32_t pe = U32At(original, 0x3C);
    const std::size_t relocHeader = pe + 24 + 240 + 40 * 7;
    ASSERT_EQ(std::string(reinterpret_cast<const char*>(&keptAfter[relocHeader])), ".reloc");
    PutU32At(keptAfter, relocHeader + 36, 0x40000040);
    TBytes sharedSection = original;  // another table inside the resource section
    PutU32At(sharedSection, headers.Optional + 112 + 8 * 1, Section(headers, ".rsrc").VirtualAddress + 0x10);

    // A section table so long that its last rows lie in the resources' raw data, which the
    // rebuild would overwrite; the rows past the real sections are zero, as a linker pads.
    TBytes tableInside = original;
    const std::size_t table = pe + 24 + 240, rsrcAt = Section(headers, ".rsrc").RawOffset;
    const std::size_t rows = (rsrcAt + 16 - table + 39) / 40;  // up to the root directory's counts
    std::fill(tableInside.begin() + static_cast<long>(table + 40 * headers.Sections.size()),
              tableInside.begin() + static_cast<long>(table + 40 * rows), 0);
    tableInside[pe + 6] = static_cast<std::uint8_t>(rows);
    tableInside[pe + 7] = static_cast<std::uint8_t>(rows >> 8);

    struct TCase {
        const char* what;
        TBytes file;
    };
    const TCase cases[] = {{"signed", signedImage},
                           {"kept section after", keptAfter},
                           {"shared section", sharedSection},
                           {"section table inside the resources", tableInside}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto image = TPeImage::Parse(c.file);
        ASSERT_TRUE(image);
        auto resources = image->ReadResources();
        ASSERT_TRUE(resources);
        resources->Put(TResourceKey::Of(10), TResourceKey::Of(u"BIG"), 1033, TBytes(100000, 1));
        EXPECT_FALSE(image->ReplaceResources(*resources));
        EXPECT_EQ(image->Bytes(), c.file);
    }
}

TEST_F(PeResourcesTest, DamagedImagesAndDirectoriesAreRefusedWithoutReadingOutside) {
    const THeaders headers = ReadHeaders(original);
    const TSectionRow& rsrc = Section(headers, ".rsrc");
    // Every cut of the file, and every byte of the resource directory's head set to 0xFF.
    for (std::size_t size = 0; size < original.size(); size += 7) {
        auto image = TPeImage::Parse(TBytes(original.begin(), original.begin() + static_cast<long>(size)));
        if (image) image->ReadResources();
    }
    for (std::size_t at = rsrc.RawOffset; at < rsrc.RawOffset + 0x180; ++at) {
        TBytes damaged = original;
        damaged[at] = 0xFF;
        auto image = TPeImage::Parse(damaged);
        ASSERT_TRUE(image);
        image->ReadResources();
    }
    // Directories that lead back to the root, or list more entries than the section holds.
    struct TCase {
        const char* what;
        std::uint16_t entries;
    };
    for (const TCase& c : {TCase{"a cycle back to the root", 4}, TCase{"entries past the section", 0xFFFF}}) {
        SCOPED_TRACE(c.what);
        TBytes looping = original;
        const std::size_t root = rsrc.RawOffset;
        std::memset(&looping[root], 0, 0x180);
        looping[root + 14] = static_cast<std::uint8_t>(c.entries);
        looping[root + 15] = static_cast<std::uint8_t>(c.entries >> 8);
        for (std::size_t entry = 0; entry < 4; ++entry) PutU32At(looping, root + 16 + 8 * entry + 4, 0x80000000);
        auto image = TPeImage::Parse(looping);
        ASSERT_TRUE(image);
        EXPECT_FALSE(image->ReadResources());
    }
    EXPECT_FALSE(TPeImage::Parse(testing::BytesOf("MZ not a program at all, but long enough to have a header......")));
}

TEST_F(PeResourcesTest, ChangeExeIconReplacesTheGroupAndItsImagesOnly) {
    const auto before = ResourcesOf(original);
    ASSERT_TRUE(before);
    const TBytes icon = MakeIconFile({40, 300, 1000});
    testing::WriteFile(dir / "icon.ico", icon);
    TPeResourceEditor::ChangeExeIcon(exe, dir / "icon.ico");

    const auto after = ResourcesOf(testing::ReadFile(exe));
    ASSERT_TRUE(after);
    const TResource* group = after->Find(kGroupIcon, kMainIcon, 1033);
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->Data.size(), 6u + 3 * 14u);
    EXPECT_EQ(IconGroupIds(group->Data), (std::vector<std::uint16_t>{100, 101, 102}));
    for (std::uint16_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(0, std::memcmp(&group->Data[6 + 14 * i], &icon[6 + 16 * i], 12));
        const TResource* image = after->Find(kIcon, TResourceKey::Of(static_cast<std::uint16_t>(100 + i)), 1033);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->Data, TBytes((std::vector<std::size_t>{40, 300, 1000}[i]), static_cast<std::uint8_t>(0x40 + i)));
    }
    // The old images are gone; the notes and the version stay as they were.
    EXPECT_EQ(after->Entries().size(), 3u + 1u + 2u);
    for (const TResource& resource : before->Entries()) {
        if (resource.Type == kIcon || resource.Type == kGroupIcon) continue;
        const TResource* kept = after->Find(resource.Type, resource.Name, resource.Language);
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(kept->Data, resource.Data);
    }
}

TEST_F(PeResourcesTest, ChangeExeIconRefusesBadInputWithTheSameMessagesAndLeavesTheFile) {
    TBytes pastEnd = MakeIconFile({40, 300});
    pastEnd.pop_back();
    TBytes program = MakeIconFile({40});
    program[0] = 'M';
    program[1] = 'Z';
    struct TCase {
        const char* what;
        TBytes icon;
        const char* expected;
    };
    const TCase cases[] = {
        {"image past the end", pastEnd, "Icon file is invalid"},
        {"an executable", program, "Icon file is invalid"},
        {"shorter than its header", TBytes{0, 0, 1}, "Icon file is invalid"},
        {"over a mebibyte", MakeIconFile({1048577 - 22}), "Icon file is too large"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ChangeIconError(c.icon, exe), c.expected);
        EXPECT_EQ(testing::ReadFile(exe), original);
    }

    // Images without a main icon, and files that are no image at all.
    auto image = TPeImage::Parse(original);
    auto resources = image->ReadResources();
    resources->Erase(kGroupIcon, kMainIcon, 1033);
    ASSERT_TRUE(image->ReplaceResources(*resources));
    const std::filesystem::path plain = dir / "plain.exe", text = dir / "text.exe";
    testing::WriteFile(plain, image->Bytes());
    testing::WriteFile(text, "not a program");
    const TCase targets[] = {
        {"no main icon", image->Bytes(), "FindResource failed (1)"},
        {"not a program", testing::BytesOf("not a program"), "BeginUpdateResource failed (1)"},
    };
    for (const TCase& c : targets) {
        SCOPED_TRACE(c.what);
        const std::filesystem::path target = dir / "target.exe";
        testing::WriteFile(target, c.icon);
        EXPECT_EQ(ChangeIconError(MakeIconFile({40}), target), c.expected);
        EXPECT_EQ(testing::ReadFile(target), c.icon);
    }
    EXPECT_THROW(TPeResourceEditor::ChangeExeIcon(exe, dir / "missing.ico"), EFileError);
    EXPECT_EQ(testing::ReadFile(exe), original);
}

TEST_F(PeResourcesTest, UpdateExeInfoStoresTheRewrittenBlockInTheNeutralLanguage) {
    TVersionTexts texts;
    texts[0] = "Acme Co";                                   // CompanyName: room 16
    texts[2] = "2.5.0.10";                                  // FileVersion: room 7, cut
    texts[6] = "hello.exe";                                 // OriginalFileName
    texts[8] = "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80";  // ProductName: 8 units of room
    texts[9] = "9.9";                                       // ProductVersion: the block lacks it
    ASSERT_TRUE(TPeResourceEditor::UpdateExeInfo(exe, texts));

    const auto before = ResourcesOf(original);
    const auto after = ResourcesOf(testing::ReadFile(exe));
    ASSERT_TRUE(before && after);
    const TResource* originalBlock = before->Find(TResourceKey::Of(16), TResourceKey::Of(1), 1033);
    const TResource* neutral = after->Find(TResourceKey::Of(16), TResourceKey::Of(1), 0);
    ASSERT_NE(originalBlock, nullptr);
    ASSERT_NE(neutral, nullptr);
    EXPECT_EQ(after->Find(TResourceKey::Of(16), TResourceKey::Of(1), 1033)->Data, originalBlock->Data)
        << "the original stays beside it";
    EXPECT_EQ(neutral->Data.size(), VersionBlockSize(originalBlock->Data)) << "no structure changes size";
    struct TCase {
        std::u16string_view key;
        std::size_t room;
        std::u16string expected;
    };
    const TCase cases[] = {
        {u"CompanyName", 17, u"Acme Co"},
        {u"FileVersion", 8, u"2.5.0.1"},
        {u"OriginalFilename", 17, u"hello.exe"},
        {u"ProductName", 9, u"\U0001F600\U0001F600\U0001F600\U0001F600"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.key));
        std::u16string expected = c.expected;
        expected.resize(c.room, u'\0');
        EXPECT_EQ(StoredText(neutral->Data, c.key, c.room), expected);
    }
    // A second rewrite reads the neutral block and stores the same size again.
    ASSERT_TRUE(TPeResourceEditor::UpdateExeInfo(exe, texts));
    const auto again = ResourcesOf(testing::ReadFile(exe));
    EXPECT_EQ(again->Find(TResourceKey::Of(16), TResourceKey::Of(1), 0)->Data, neutral->Data);
}

TEST_F(PeResourcesTest, UpdateExeInfoWithoutFileOrVersionChangesNothing) {
    auto image = TPeImage::Parse(original);
    auto resources = image->ReadResources();
    resources->Erase(TResourceKey::Of(16), TResourceKey::Of(1), 1033);
    ASSERT_TRUE(image->ReplaceResources(*resources));
    struct TCase {
        const char* what;
        std::optional<TBytes> file;
    };
    const TCase cases[] = {
        {"missing", std::nullopt},
        {"not a program", testing::BytesOf("not a program")},
        {"no version information", image->Bytes()},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::filesystem::path target = dir / c.what;
        if (c.file) testing::WriteFile(target, *c.file);
        EXPECT_FALSE(TPeResourceEditor::UpdateExeInfo(target, Texts({{0, "Acme"}})));
        EXPECT_EQ(std::filesystem::exists(target), c.file.has_value());
        if (c.file) {
            EXPECT_EQ(testing::ReadFile(target), *c.file);
        }
    }
}

}  // namespace
}  // namespace vellum
