// The portable resource editor against the system's resource update: the same runtime copy
// edited both ways reads back the same through the system's own resource and version APIs.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <map>

#include "core/archive/exe_utils.h"
#include "core/errors.h"
#include "platform/exe_resource_editor.h"
#include "core/system/own_executable.h"
#include "core/text/utf.h"
#include "test_files.h"

namespace vellum {
namespace {

using testing::TBytes;

std::filesystem::path BuiltRuntime() {
    return RunningExecutable().Path().parent_path() / "VellumRuntime.exe";
}

TBytes MakeIconFile(const std::vector<std::uint32_t>& sizes) {
    TBytes file(6 + 16 * sizes.size());
    file[2] = 1;
    file[4] = static_cast<std::uint8_t>(sizes.size());
    std::uint32_t offset = static_cast<std::uint32_t>(file.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        std::uint8_t* entry = &file[6 + 16 * i];
        entry[0] = entry[1] = static_cast<std::uint8_t>(16 << i);
        entry[4] = 1;
        entry[6] = 32;
        std::memcpy(entry + 8, &sizes[i], 4);
        std::memcpy(entry + 12, &offset, 4);
        offset += sizes[i];
    }
    for (std::size_t i = 0; i < sizes.size(); ++i)
        file.insert(file.end(), sizes[i], static_cast<std::uint8_t>(0x40 + i));
    return file;
}

std::wstring NameText(LPCWSTR name) {
    return IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<std::uintptr_t>(name)) : std::wstring(name);
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
    reinterpret_cast<std::vector<std::wstring>*>(names)->push_back(NameText(name));
    return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
    reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
    return TRUE;
}

// What the system reads of an executable's icons and other resources, as data.
struct TSeenResources {
    std::vector<std::wstring> Groups;                  // EnumResourceNames of RT_GROUP_ICON
    std::vector<WORD> GroupLanguages;                  // of "MAINICON"
    TBytes MainIcon;                                   // FindResource/LoadResource of the group
    std::map<WORD, TBytes> Images;                     // every RT_ICON the group names
    std::map<WORD, std::vector<WORD>> ImageLanguages;  // and the languages each one has
    TBytes Script;                                     // a resource neither edit touches
    TBytes NeutralVersion, EnglishVersion;             // the version resource in 0 and 1033
    bool Loaded = false;
};

TBytes Bytes(HMODULE module, HRSRC resource) {
    if (resource == nullptr) return {};
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, resource)));
    return data == nullptr ? TBytes{} : TBytes(data, data + SizeofResource(module, resource));
}

TSeenResources SeeResources(const std::filesystem::path& exe) {
    TSeenResources seen;
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return seen;
    seen.Loaded = true;
    EnumResourceNamesW(module, RT_GROUP_ICON, CollectName, reinterpret_cast<LONG_PTR>(&seen.Groups));
    EnumResourceLanguagesW(module, RT_GROUP_ICON, L"MAINICON", CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&seen.GroupLanguages));
    seen.MainIcon = Bytes(module, FindResourceW(module, L"MAINICON", RT_GROUP_ICON));
    if (seen.MainIcon.size() >= 6) {
        WORD count;
        std::memcpy(&count, &seen.MainIcon[4], 2);
        for (WORD i = 0; i < count && 6 + 14u * (i + 1) <= seen.MainIcon.size(); ++i) {
            WORD id;
            std::memcpy(&id, &seen.MainIcon[6 + 14 * i + 12], 2);
            seen.Images[id] = Bytes(module, FindResourceW(module, MAKEINTRESOURCEW(id), RT_ICON));
            EnumResourceLanguagesW(module, RT_ICON, MAKEINTRESOURCEW(id), CollectLanguage,
                                   reinterpret_cast<LONG_PTR>(&seen.ImageLanguages[id]));
        }
    }
    seen.Script = Bytes(module, FindResourceW(module, L"VLM_EXTERNAL_JAVASCRIPT", RT_RCDATA));
    seen.NeutralVersion = Bytes(module, FindResourceExW(module, RT_VERSION, MAKEINTRESOURCEW(1), 0));
    seen.EnglishVersion = Bytes(module, FindResourceExW(module, RT_VERSION, MAKEINTRESOURCEW(1), 1033));
    FreeLibrary(module);
    return seen;
}

constexpr const wchar_t* kTextNames[] = {L"CompanyName",     L"FileDescription",  L"FileVersion",
                                         L"InternalName",    L"LegalCopyright",   L"LegalTrademarks",
                                         L"OriginalFilename", L"ProgramID",       L"ProductName",
                                         L"ProductVersion",  L"Comments"};

// Every text as GetFileVersionInfoW and VerQueryValueW give it: its whole room, or "<missing>".
std::map<std::wstring, std::wstring> SeeVersionTexts(const std::filesystem::path& exe) {
    std::map<std::wstring, std::wstring> texts;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
    if (size == 0) return texts;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(exe.c_str(), 0, size, block.data())) return texts;
    for (const wchar_t* name : kTextNames) {
        wchar_t* value = nullptr;
        UINT room = 0;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904E4\\") + name;
        texts[name] = VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &room)
                          ? std::wstring(value, room)
                          : L"<missing>";
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) && fixed != nullptr)
        texts[L"\\"] = std::to_wstring(fixed->dwFileVersionMS) + L"." + std::to_wstring(fixed->dwFileVersionLS);
    return texts;
}

// The mapped image's size as the loader lays it out, or 0 when it refuses the image.
std::size_t MappedImageSize(const std::filesystem::path& exe) {
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) return 0;
    MEMORY_BASIC_INFORMATION info{};
    const auto base = reinterpret_cast<const BYTE*>(reinterpret_cast<std::uintptr_t>(module) & ~std::uintptr_t{3});
    std::size_t size = 0;
    for (const BYTE* at = base; VirtualQuery(at, &info, sizeof info) && info.AllocationBase == base;
         at += info.RegionSize)
        size += info.RegionSize;
    FreeLibrary(module);
    return size;
}

std::string Try(const std::function<void()>& edit) {
    try {
        edit();
    } catch (const EVellumError& error) {
        return error.what();
    }
    return "no error";
}

class ResourceWritersTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(BuiltRuntime(), bySystem);
        std::filesystem::copy_file(BuiltRuntime(), portable);
        original = testing::ReadFile(bySystem);
    }
    testing::TTempDir dir;
    std::filesystem::path bySystem = dir / "system.exe";
    std::filesystem::path portable = dir / "portable.exe";
    TBytes original;
    TExeUtils utils;
};

TEST_F(ResourceWritersTest, AnIconOfSeveralSizesReadsTheSameBothWays) {
    const TSeenResources before = SeeResources(bySystem);
    ASSERT_FALSE(before.MainIcon.empty());
    testing::WriteFile(dir / "icon.ico", MakeIconFile({40, 300, 1000, 5000}));
    utils.ChangeExeIcon(bySystem, dir / "icon.ico");
    TPeResourceEditor::ChangeExeIcon(portable, dir / "icon.ico");

    const TSeenResources system = SeeResources(bySystem), ours = SeeResources(portable);
    ASSERT_TRUE(system.Loaded && ours.Loaded);
    EXPECT_EQ(ours.Groups, system.Groups);
    EXPECT_EQ(ours.GroupLanguages, system.GroupLanguages);
    EXPECT_EQ(ours.GroupLanguages, std::vector<WORD>{1033});
    EXPECT_EQ(ours.MainIcon, system.MainIcon);
    EXPECT_EQ(ours.MainIcon.size(), 6u + 4 * 14u);
    EXPECT_EQ(ours.Images, system.Images);
    EXPECT_EQ(ours.ImageLanguages, system.ImageLanguages);
    ASSERT_EQ(ours.Images.size(), 4u);
    EXPECT_EQ(ours.Images.begin()->first, 100);
    EXPECT_EQ(ours.Images.at(103), TBytes(5000, 0x43));
    EXPECT_EQ(ours.Script, before.Script) << "other resources stay";
    EXPECT_EQ(ours.Script, system.Script);
    EXPECT_EQ(ours.EnglishVersion, system.EnglishVersion);
    EXPECT_EQ(SeeVersionTexts(portable), SeeVersionTexts(bySystem));
    // The images the old group named are gone from ours; Wine's update leaves them behind.
    for (const auto& [id, bytes] : before.Images) {
        HMODULE module = LoadLibraryExW(portable.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (id < 100 || id > 103) {
            EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(id), RT_ICON), nullptr) << id;
        }
        FreeLibrary(module);
    }
    EXPECT_GT(MappedImageSize(portable), 0u) << "the loader maps the rebuilt image";
    EXPECT_EQ(MappedImageSize(portable) > 0, MappedImageSize(bySystem) > 0);
}

TEST_F(ResourceWritersTest, BadIconsAndImagesFailTheSameAndChangeNothing) {
    TBytes pastEnd = MakeIconFile({40, 300});
    pastEnd.pop_back();
    TBytes program = MakeIconFile({40});
    program[0] = 'M';
    program[1] = 'Z';
    const std::filesystem::path plainSystem = dir / "plain-system.exe", plainPortable = dir / "plain-portable.exe";
    std::filesystem::copy_file(RunningExecutable().Path().parent_path() / "exit_with.exe", plainSystem);
    std::filesystem::copy_file(plainSystem, plainPortable);
    struct TCase {
        const char* what;
        TBytes icon;
        bool plain;  // edit an executable without a main icon
        const char* expected;
    };
    const TCase cases[] = {
        {"image past the end", pastEnd, false, "Icon file is invalid"},
        {"an executable", program, false, "Icon file is invalid"},
        {"shorter than its header", TBytes{0, 0, 1}, false, "Icon file is invalid"},
        {"over a mebibyte", MakeIconFile({1048577 - 22}), false, "Icon file is too large"},
        {"no main icon", MakeIconFile({40}), true, "FindResource failed (1)"},
    };
    const TBytes plainBefore = testing::ReadFile(plainSystem);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        testing::WriteFile(dir / "icon.ico", c.icon);
        const auto& a = c.plain ? plainSystem : bySystem;
        const auto& b = c.plain ? plainPortable : portable;
        const std::string system = Try([&] { utils.ChangeExeIcon(a, dir / "icon.ico"); });
        const std::string ours = Try([&] { TPeResourceEditor::ChangeExeIcon(b, dir / "icon.ico"); });
        EXPECT_EQ(system, c.expected);
        EXPECT_EQ(ours, system);
        EXPECT_EQ(testing::ReadFile(b), c.plain ? plainBefore : original);
        EXPECT_EQ(testing::ReadFile(a), c.plain ? plainBefore : original);
    }
}

TEST_F(ResourceWritersTest, VersionTextsReadTheSameBothWays) {
    // Values longer than their rooms, a cut that would fall inside a surrogate pair, text beyond
    // ASCII, "%", and an empty value.
    const std::string smile = "\xF0\x9F\x98\x80";
    struct TTexts {
        const char* what;
        std::array<std::string, 11> values;
    };
    const TTexts cases[] = {
        {"ordinary",
         {"Acme Co", "A desktop app", "2.5.0.1", "hello", "(c) 2026 Acme", "", "hello.exe", "com.acme.hello",
          "Hello", "10.20.30.40", "100% web \xE2\x82\xAC"}},
        {"cut to the room",
         {std::string(300, 'C'), std::string(254, 'D') + smile, "1.2.3." + smile, "i", std::string(255, 'L'),
          std::string(253, 'T') + smile, "o", "p", smile + std::string(300, 'N'), "1.0.0.0.0", "x"}},
        {"beyond the basic plane", {smile, smile + smile, "", "\xE4\xB8\xAD\xE6\x96\x87", "", "", "", "", "", "", ""}},
    };
    for (const TTexts& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(bySystem);
        std::filesystem::remove(portable);
        std::filesystem::copy_file(BuiltRuntime(), bySystem);
        std::filesystem::copy_file(BuiltRuntime(), portable);
        const auto& v = c.values;
        ASSERT_TRUE(utils.UpdateExeInfo(bySystem, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]));
        TVersionTexts texts;
        std::copy(v.begin(), v.end(), texts.begin());
        ASSERT_TRUE(TPeResourceEditor::UpdateExeInfo(portable, texts));

        const auto system = SeeVersionTexts(bySystem), ours = SeeVersionTexts(portable);
        ASSERT_EQ(system.size(), 12u);
        EXPECT_EQ(ours, system);
        const TSeenResources systemSeen = SeeResources(bySystem), oursSeen = SeeResources(portable);
        EXPECT_EQ(oursSeen.NeutralVersion, systemSeen.NeutralVersion) << "the stored blocks are the same bytes";
        EXPECT_EQ(oursSeen.EnglishVersion, systemSeen.EnglishVersion);
        EXPECT_EQ(oursSeen.MainIcon, systemSeen.MainIcon);
        // The texts themselves: each cut by whole characters, zeros to the end of its room.
        for (std::size_t i = 0; i < 11; ++i) {
            SCOPED_TRACE(i);
            const std::wstring& stored = ours.at(kTextNames[i]);
            const std::size_t room = stored.size() - 1;
            std::u16string expected = Utf8ToUtf16(v[i]);
            if (expected.size() > room) {
                expected.resize(room);
                if (expected.back() >= 0xD800 && expected.back() <= 0xDBFF) expected.pop_back();
            }
            EXPECT_EQ(stored.substr(0, expected.size()), std::wstring(expected.begin(), expected.end()));
            EXPECT_EQ(stored.find_first_not_of(L'\0', expected.size()), std::wstring::npos);
        }
    }
}

// A version block with some texts only, as a runtime built by another resource compiler may
// have it, installed with the system's own update; and an executable with none at all.
TBytes VersionNode(std::u16string_view key, std::uint16_t type, const TBytes& value, std::uint16_t valueLength,
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
    const std::uint16_t length = static_cast<std::uint16_t>(node.size());
    std::memcpy(&node[0], &length, 2);
    std::memcpy(&node[2], &valueLength, 2);
    node[4] = static_cast<std::uint8_t>(type);
    return node;
}
TBytes VersionText(std::u16string_view key, std::u16string_view text) {
    TBytes value;
    for (char16_t unit : text) value.insert(value.end(), {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)});
    value.insert(value.end(), {0, 0});
    return VersionNode(key, 1, value, static_cast<std::uint16_t>(text.size() + 1));
}

TEST_F(ResourceWritersTest, MissingTextsAndMissingVersionInformationAgree) {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwStrucVersion = 0x10000;
    fixed.dwFileVersionMS = 0x20003;
    TBytes fixedBytes(sizeof fixed);
    std::memcpy(fixedBytes.data(), &fixed, sizeof fixed);
    const TBytes block = VersionNode(
        u"VS_VERSION_INFO", 0, fixedBytes, static_cast<std::uint16_t>(sizeof fixed),
        {VersionNode(u"StringFileInfo", 1, {}, 0,
                     {VersionNode(u"040904e4", 1, {}, 0,
                                  {VersionText(u"companyname", u"            "), VersionText(u"Comments", u"    ")})}),
         VersionNode(u"VarFileInfo", 1, {}, 0, {VersionNode(u"Translation", 0, {0x09, 0x04, 0xE4, 0x04}, 4)})});
    for (const auto& exe : {bySystem, portable}) {
        HANDLE update = BeginUpdateResourceW(exe.c_str(), FALSE);
        ASSERT_NE(update, nullptr);
        ASSERT_TRUE(UpdateResourceW(update, RT_VERSION, MAKEINTRESOURCEW(1), 1033, const_cast<std::uint8_t*>(block.data()),
                                    static_cast<DWORD>(block.size())));
        ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
    }
    ASSERT_TRUE(utils.UpdateExeInfo(bySystem, "Acme", "b", "c", "d", "e", "f", "g", "h", "i", "j", "long comment"));
    TVersionTexts texts = {"Acme", "b", "c", "d", "e", "f", "g", "h", "i", "j", "long comment"};
    ASSERT_TRUE(TPeResourceEditor::UpdateExeInfo(portable, texts));
    const auto system = SeeVersionTexts(bySystem), ours = SeeVersionTexts(portable);
    EXPECT_EQ(ours, system);
    EXPECT_EQ(ours.at(L"CompanyName"), std::wstring(L"Acme\0\0\0\0\0\0\0\0\0", 13));
    EXPECT_EQ(ours.at(L"Comments"), std::wstring(L"long\0", 5));
    EXPECT_EQ(ours.at(L"ProductName"), L"<missing>");
    EXPECT_EQ(SeeResources(portable).NeutralVersion, SeeResources(bySystem).NeutralVersion);

    // No version information: both say so and change nothing.
    const std::filesystem::path plainSystem = dir / "plain-system.exe", plainPortable = dir / "plain-portable.exe";
    std::filesystem::copy_file(RunningExecutable().Path().parent_path() / "exit_with.exe", plainSystem);
    std::filesystem::copy_file(plainSystem, plainPortable);
    const TBytes plainBefore = testing::ReadFile(plainSystem);
    EXPECT_FALSE(utils.UpdateExeInfo(plainSystem, "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"));
    EXPECT_FALSE(TPeResourceEditor::UpdateExeInfo(plainPortable, texts));
    EXPECT_EQ(testing::ReadFile(plainSystem), plainBefore);
    EXPECT_EQ(testing::ReadFile(plainPortable), plainBefore);
}

}  // namespace
}  // namespace vellum
