// Rewriting a packaged executable's main icon and version texts, on copies of the runtime.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "core/archive/exe_utils.h"
#include "core/errors.h"
#include "core/system/own_executable.h"
#include "test_files.h"

namespace vellum {
namespace {

using testing::TBytes;

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::filesystem::path BuiltRuntime() {
    return RunningExecutable().Path().parent_path() / "VellumRuntime.exe";
}

// An icon file with one image per size; image i holds `size` bytes of the value 0x40 + i.
TBytes MakeIconFile(const std::vector<std::uint32_t>& sizes) {
    TBytes file(6 + 16 * sizes.size());
    file[2] = 1;
    file[4] = static_cast<std::uint8_t>(sizes.size());
    std::uint32_t offset = static_cast<std::uint32_t>(file.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        std::uint8_t* entry = &file[6 + 16 * i];
        entry[0] = entry[1] = static_cast<std::uint8_t>(16 << i);  // width, height
        entry[4] = 1;                                              // planes
        entry[6] = 32;                                             // bit count
        std::memcpy(entry + 8, &sizes[i], 4);
        std::memcpy(entry + 12, &offset, 4);
        offset += sizes[i];
    }
    for (std::size_t i = 0; i < sizes.size(); ++i)
        file.insert(file.end(), sizes[i], static_cast<std::uint8_t>(0x40 + i));
    return file;
}

// A resource's bytes in one language, read from the file as data; empty when it is not there.
TBytes ResourceBytes(const std::filesystem::path& exe, LPCWSTR type, LPCWSTR name, WORD language) {
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return {};
    TBytes bytes;
    if (HRSRC resource = FindResourceExW(module, type, name, language)) {
        const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, resource)));
        bytes.assign(data, data + SizeofResource(module, resource));
    }
    FreeLibrary(module);
    return bytes;
}

class ExeResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(BuiltRuntime(), exe);
        original = testing::ReadFile(exe);
    }

    std::string ChangeIconError(const TBytes& icon, const std::filesystem::path& target) {
        testing::WriteFile(dir / "icon.ico", icon);
        try {
            utils.ChangeExeIcon(target, dir / "icon.ico");
        } catch (const EVellumError& error) {
            return error.what();
        }
        return "no error";
    }

    testing::TTempDir dir;
    std::filesystem::path exe = dir / "app.exe";
    TBytes original;
    TExeUtils utils;
};

TEST_F(ExeResourcesTest, ChangeExeIconReplacesTheGroupAndItsImages) {
    const TBytes oldGroup = ResourceBytes(exe, RT_GROUP_ICON, L"MAINICON", 1033);
    ASSERT_GE(oldGroup.size(), 6u + 14u);
    WORD firstOldId;
    std::memcpy(&firstOldId, &oldGroup[6 + 12], 2);
    const TBytes versionBefore = ResourceBytes(exe, RT_VERSION, MAKEINTRESOURCEW(1), 1033);

    testing::WriteFile(dir / "icon.ico", MakeIconFile({40, 300, 1000}));
    utils.ChangeExeIcon(exe, dir / "icon.ico");

    const TBytes group = ResourceBytes(exe, RT_GROUP_ICON, L"MAINICON", 1033);
    ASSERT_EQ(group.size(), 6u + 3 * 14u);
    EXPECT_EQ(group[4], 3);
    const TBytes icon = MakeIconFile({40, 300, 1000});
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        WORD id;
        std::memcpy(&id, &group[6 + 14 * i + 12], 2);
        EXPECT_EQ(id, 100 + i);
        EXPECT_EQ(0, std::memcmp(&group[6 + 14 * i], &icon[6 + 16 * i], 12)) << "entry copied from the icon file";
        const TBytes image = ResourceBytes(exe, RT_ICON, MAKEINTRESOURCEW(100 + i), 1033);
        EXPECT_EQ(image, TBytes(image.size(), static_cast<std::uint8_t>(0x40 + i)));
        EXPECT_EQ(image.size(), (std::vector<std::size_t>{40, 300, 1000}[i]));
    }
    // Wine 8 ignores UpdateResourceW's request to delete a resource that the file already has,
    // so the old images stay there (unreferenced); Windows removes them.
    if (!RunningUnderWine() && (firstOldId < 100 || firstOldId > 102)) {
        EXPECT_TRUE(ResourceBytes(exe, RT_ICON, MAKEINTRESOURCEW(firstOldId), 1033).empty()) << "old images are gone";
    }
    EXPECT_EQ(ResourceBytes(exe, RT_VERSION, MAKEINTRESOURCEW(1), 1033), versionBefore) << "other resources stay";
}

TEST_F(ExeResourcesTest, ChangeExeIconRefusesBadInputAndLeavesTheExecutableAlone) {
    TBytes beyondEnd = MakeIconFile({40, 300});
    beyondEnd.pop_back();  // the last image ends one byte beyond the file
    TBytes program = MakeIconFile({40});
    program[0] = 'M';
    program[1] = 'Z';
    TBytes tooLarge = MakeIconFile({1048577 - 22});
    TBytes countBeyondEntries = MakeIconFile({40});
    countBeyondEntries[4] = 9;

    struct TCase {
        const char* what;
        TBytes icon;
        const char* expected;
    };
    const TCase cases[] = {
        {"image past the end", beyondEnd, "Icon file is invalid"},
        {"an executable", program, "Icon file is invalid"},
        {"shorter than its header", TBytes{0, 0, 1}, "Icon file is invalid"},
        {"more entries than bytes", countBeyondEntries, "Icon file is invalid"},
        {"over a mebibyte", tooLarge, "Icon file is too large"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ChangeIconError(c.icon, exe), c.expected);
        EXPECT_EQ(testing::ReadFile(exe), original);
    }

    // An executable without a main icon: the update is discarded.
    const std::filesystem::path plain = dir / "plain.exe";
    std::filesystem::copy_file(RunningExecutable().Path(), plain);
    const TBytes plainBefore = testing::ReadFile(plain);
    EXPECT_EQ(ChangeIconError(MakeIconFile({40}), plain), "FindResource failed (1)");
    EXPECT_EQ(testing::ReadFile(plain), plainBefore);
}

// Reads one text of a version block as stored: its room in characters and the characters.
std::wstring VersionText(TBytes block, const wchar_t* name, UINT* room) {
    wchar_t* value = nullptr;
    *room = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904E4\\") + name;
    if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), room)) return L"<missing>";
    return std::wstring(value, *room);
}

TEST_F(ExeResourcesTest, UpdateExeInfoRewritesTextsInPlaceWithinTheirRoom) {
    const TBytes before = ResourceBytes(exe, RT_VERSION, MAKEINTRESOURCEW(1), 1033);
    ASSERT_FALSE(before.empty());
    const std::string longName(300, 'N');
    ASSERT_TRUE(utils.UpdateExeInfo(exe, "Acme Co", "A desktop app", "2.5.0.1", "hello", "(c) 2026 Acme", "",
                                    "hello.exe", "com.acme.hello", longName, "10.20.30.40", "100% web \xE2\x82\xAC"));

    const TBytes after = ResourceBytes(exe, RT_VERSION, MAKEINTRESOURCEW(1), 0);
    ASSERT_FALSE(after.empty()) << "the rewritten block is stored in the neutral language";
    EXPECT_EQ(ResourceBytes(exe, RT_VERSION, MAKEINTRESOURCEW(1), 1033), before) << "the original block stays";
    WORD lengthBefore, lengthAfter;
    std::memcpy(&lengthBefore, before.data(), 2);
    std::memcpy(&lengthAfter, after.data(), 2);
    EXPECT_EQ(lengthAfter, lengthBefore) << "no structure changes size";

    struct TCase {
        const wchar_t* name;
        std::wstring expected;
        UINT room;
    };
    const TCase cases[] = {
        {L"CompanyName", L"Acme Co", 256},
        {L"FileVersion", L"2.5.0.1", 8},
        {L"OriginalFilename", L"hello.exe", 256},  // found as OriginalFileName
        {L"ProgramID", L"com.acme.hello", 256},
        {L"LegalTrademarks", L"", 256},
        {L"ProductName", std::wstring(255, L'N'), 256},  // cut to its room
        {L"ProductVersion", L"10.20.3", 8},
        {L"Comments", L"100% web \u20AC", 256},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.name)));
        UINT room = 0;
        const std::wstring stored = VersionText(after, c.name, &room);
        EXPECT_EQ(room, c.room);
        EXPECT_EQ(stored.substr(0, c.expected.size()), c.expected);
        EXPECT_EQ(stored.substr(c.expected.size()), std::wstring(room - c.expected.size(), L'\0')) << "zeros after";
    }
}

TEST_F(ExeResourcesTest, UpdateExeInfoWithoutFileOrVersionChangesNothing) {
    EXPECT_FALSE(utils.UpdateExeInfo(dir / "missing.exe", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"));
    testing::WriteFile(dir / "text.exe", "not a program");
    EXPECT_FALSE(utils.UpdateExeInfo(dir / "text.exe", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"));
    EXPECT_EQ(testing::ReadFile(dir / "text.exe"), testing::BytesOf("not a program"));
}

}  // namespace
}  // namespace vellum
