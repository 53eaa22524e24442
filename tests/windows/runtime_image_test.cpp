// The runtime's program image as built: sections, the main icon group and the version
// information laid out so that the packaging tool can rewrite it in place.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/archive/pe_image.h"
#include "core/system/own_executable.h"

namespace vellum {
namespace {

std::wstring RuntimePath() {
    return (RunningExecutable().Path().parent_path() / VELLUM_RUNTIME_EXE_NAME).wstring();
}

TEST(RuntimeImage, IsAPlainImageWithSectionsAndNoArchive) {
    const auto imageEnd = ComputePeImageEndOfFile(RuntimePath());
    ASSERT_TRUE(imageEnd.has_value());
    EXPECT_EQ(*imageEnd, std::filesystem::file_size(RuntimePath()));
}

TEST(RuntimeImage, CarriesTheMainIconGroup) {
    HMODULE module = LoadLibraryExW(RuntimePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC group = FindResourceW(module, L"MAINICON", MAKEINTRESOURCEW(14));
    ASSERT_NE(group, nullptr);
    const auto* header = static_cast<const WORD*>(LockResource(LoadResource(module, group)));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header[0], 0);  // idReserved
    EXPECT_EQ(header[1], 1);  // idType: icons
    EXPECT_EQ(header[2], 3);  // 16, 32 and 48 pixels
    FreeLibrary(module);
}

class RuntimeVersionInfo : public ::testing::Test {
protected:
    void SetUp() override {
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeW(RuntimePath().c_str(), &handle);
        ASSERT_GT(size, 0u);
        block.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(RuntimePath().c_str(), 0, size, block.data()));
    }

    std::wstring Value(const wchar_t* name, UINT* length) {
        void* value = nullptr;
        *length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904E4\\") + name;
        if (!VerQueryValueW(block.data(), path.c_str(), &value, length)) return L"<missing>";
        return std::wstring(static_cast<const wchar_t*>(value), *length);
    }

    std::vector<std::uint8_t> block;
};

TEST_F(RuntimeVersionInfo, ReservesRoomForEveryTextValue) {
    struct TTranslation {
        WORD language, codePage;
    };
    TTranslation* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(
        VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, sizeof(TTranslation));
    EXPECT_EQ(translation->language, 0x0409);
    EXPECT_EQ(translation->codePage, 0x04E4);

    for (const wchar_t* name : {L"CompanyName", L"FileDescription", L"InternalName", L"LegalCopyright",
                                L"LegalTrademarks", L"OriginalFilename", L"ProgramID", L"ProductName", L"Comments"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        UINT characters = 0;
        const std::wstring value = Value(name, &characters);
        EXPECT_EQ(characters, 256u) << "255 blanks and the terminating zero";
        EXPECT_EQ(value.substr(0, 255), std::wstring(255, L' '));
    }
    for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) {
        UINT characters = 0;
        EXPECT_EQ(Value(name, &characters).c_str(), std::wstring(L"1.0.0.0"));
        EXPECT_EQ(characters, 8u);
    }

    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
}

TEST(RuntimeImage, VersionResourceIsInLanguage1033) {
    HMODULE module = LoadLibraryExW(RuntimePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindResourceExW(module, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1), 1033), nullptr);
    FreeLibrary(module);
}

}  // namespace
}  // namespace vellum
