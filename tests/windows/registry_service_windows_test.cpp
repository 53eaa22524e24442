// The Win32 registry service against Wine's registry. Each test works below a key of its own
// and deletes it afterwards; what the service stored is read back with the raw Win32 calls.
#include <windows.h>

#include <aclapi.h>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/win32/registry_service_win32.h"
#include "platform/win32/wide_string.h"

namespace vellum {
namespace {

class RegistryServiceWindows : public ::testing::Test {
protected:
    void SetUp() override { root_ = "Software\\VellumTests\\" + std::to_string(GetCurrentProcessId()); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, Wide(root_).c_str()); }

    std::string Key(const std::string& below) const { return root_ + "\\" + below; }

    // A value as the registry holds it, written or read with the raw calls.
    struct TRaw {
        DWORD Type = REG_NONE;
        std::vector<BYTE> Data;
        bool operator==(const TRaw&) const = default;
    };
    static void PutRaw(const std::string& key, const std::string& name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, Wide(key).c_str(), Wide(name).c_str(), type, data, size),
                  ERROR_SUCCESS);
    }
    static std::optional<TRaw> Raw(const std::string& key, const std::string& name) {
        DWORD type = 0, size = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, Wide(key).c_str(), Wide(name).c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                         nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        TRaw raw{type, std::vector<BYTE>(size)};
        if (RegGetValueW(HKEY_CURRENT_USER, Wide(key).c_str(), Wide(name).c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                         raw.Data.data(), &size) != ERROR_SUCCESS)
            return std::nullopt;
        raw.Data.resize(size);
        return raw;
    }
    static TRaw StringBytes(const std::wstring& text) {
        const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
        return {REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
    }

    TWin32RegistryService registry;
    std::string root_;
};

TEST_F(RegistryServiceWindows, WritesAreStringsWithTheirTerminatorAndReadBackUnchanged) {
    const std::string text = "say \"hi\" \\ C:\\Temp\\ 100% Zo\xC3\xAB \xF0\x9F\x98\x80";
    ASSERT_EQ(registry.WriteString(Key("A\\B\\C"), "Greet\"ing\\x", text), TRegistryWrite::Written);
    EXPECT_EQ(Raw(Key("A\\B\\C"), "Greet\"ing\\x"), StringBytes(Wide(text)));
    EXPECT_EQ(registry.ReadString(Key("a\\b\\c"), "GREET\"ING\\X"), (TRegistryRead{TRegistryReadStatus::Text, text}));
    EXPECT_TRUE(registry.KeyExists(Key("A\\B")));
    EXPECT_TRUE(registry.ValueExists(Key("A\\B\\C"), "Greet\"ing\\x"));
    EXPECT_FALSE(registry.ValueExists(Key("A\\B"), "Greet\"ing\\x")) << "only in the key below";
    ASSERT_EQ(registry.WriteString(Key("A\\B\\C"), "empty", ""), TRegistryWrite::Written);
    EXPECT_EQ(Raw(Key("A\\B\\C"), "empty"), StringBytes(L""));
    EXPECT_EQ(registry.ReadString(Key("A\\B\\C"), "empty"), (TRegistryRead{TRegistryReadStatus::Text, ""}));
    PutRaw(Key("A\\B\\C"), "no data", REG_SZ, nullptr, 0);
    EXPECT_EQ(registry.ReadString(Key("A\\B\\C"), "no data"), TRegistryRead{});
    EXPECT_EQ(registry.ReadString(Key("A\\B\\C"), "missing"), TRegistryRead{});
    EXPECT_EQ(registry.ReadString(Key("Missing"), "empty"), TRegistryRead{});
    EXPECT_TRUE(registry.DeleteValue(Key("A\\B\\C"), "empty"));
    EXPECT_FALSE(registry.DeleteValue(Key("A\\B\\C"), "empty"));
    EXPECT_FALSE(registry.DeleteValue(Key("Missing"), "empty"));
    EXPECT_FALSE(registry.KeyExists(Key("Missing")));
}

TEST_F(RegistryServiceWindows, ValuesOfOtherTypesAreFoundRefusedAsTextAndReplacedByWrites) {
    const DWORD number = 42;
    const BYTE binary[] = {1, 2, 0, 3};
    const wchar_t multi[] = L"one\0two\0";
    const wchar_t expandable[] = L"%SystemRoot%\\x";
    const wchar_t zeroInside[] = L"ab\0cd";
    PutRaw(Key("T"), "dword", REG_DWORD, &number, sizeof number);
    PutRaw(Key("T"), "binary", REG_BINARY, binary, sizeof binary);
    PutRaw(Key("T"), "multi", REG_MULTI_SZ, multi, sizeof multi);
    PutRaw(Key("T"), "expand", REG_EXPAND_SZ, expandable, sizeof expandable);
    PutRaw(Key("T"), "zero", REG_SZ, zeroInside, sizeof zeroInside);
    PutRaw(Key("T"), "unterminated", REG_SZ, L"abc", 5);  // an odd size, no terminator
    for (const char* name : {"dword", "binary", "multi"}) {
        EXPECT_EQ(registry.ReadString(Key("T"), name).Status, TRegistryReadStatus::NotAString) << name;
        EXPECT_TRUE(registry.ValueExists(Key("T"), name)) << name;
    }
    EXPECT_EQ(registry.ReadString(Key("T"), "expand"), (TRegistryRead{TRegistryReadStatus::Text, "%SystemRoot%\\x"}));
    EXPECT_EQ(registry.ReadString(Key("T"), "zero"), (TRegistryRead{TRegistryReadStatus::Text, "ab"}));
    EXPECT_EQ(registry.ReadString(Key("T"), "unterminated"), (TRegistryRead{TRegistryReadStatus::Text, "ab"}));
    ASSERT_EQ(registry.WriteString(Key("T"), "dword", "42"), TRegistryWrite::Written);
    EXPECT_EQ(Raw(Key("T"), "dword"), StringBytes(L"42"));
}

TEST_F(RegistryServiceWindows, LongNamesDeepPathsAndAMegabyteValue) {
    const std::string longest(255, 'k');
    EXPECT_EQ(registry.WriteString(Key(longest), "v", "x"), TRegistryWrite::Written);
    EXPECT_TRUE(registry.KeyExists(Key(longest)));
    // Windows refuses a longer name; Wine 8 creates it, and the tree deletion must still reach it.
    if (registry.WriteString(Key("Long\\" + longest + "k"), "v", "x") == TRegistryWrite::Written) {
        EXPECT_TRUE(registry.DeleteKeyTree(Key("Long")));
        EXPECT_FALSE(registry.KeyExists(Key("Long")));
    }
    std::string deep = Key("D");
    for (int level = 1; level < 20; ++level) deep += "\\" + longest.substr(0, 200) + std::to_string(level);
    ASSERT_EQ(registry.WriteString(deep, "v", "deep"), TRegistryWrite::Written);
    EXPECT_EQ(registry.ReadString(deep, "v").Text, "deep");
    const std::string megabyte = std::string(1 << 20, 'm') + "\xC3\xAB";
    ASSERT_EQ(registry.WriteString(Key("Big"), "mb", megabyte), TRegistryWrite::Written);
    EXPECT_EQ(registry.ReadString(Key("Big"), "mb"), (TRegistryRead{TRegistryReadStatus::Text, megabyte}));
    EXPECT_TRUE(registry.DeleteKeyTree(Key("D")));
    EXPECT_FALSE(registry.KeyExists(Key("D")));
}

TEST_F(RegistryServiceWindows, DeleteKeyTreeRemovesEverythingBelowOnceAndNeverTheRoot) {
    for (const char* key : {"Tree\\A\\B", "Tree\\A\\C", "Tree\\D", "Tree\\q\"uote", "Keep"})
        ASSERT_EQ(registry.WriteString(Key(key), "v", key), TRegistryWrite::Written);
    EXPECT_TRUE(registry.DeleteKeyTree(Key("Tree")));
    EXPECT_FALSE(registry.KeyExists(Key("Tree")));
    EXPECT_FALSE(registry.DeleteKeyTree(Key("Tree")));
    EXPECT_TRUE(registry.KeyExists(Key("Keep")));
    EXPECT_FALSE(registry.DeleteKeyTree(""));
    EXPECT_TRUE(registry.KeyExists("Software"));
}

// Gives everyone `rights` on the key and nothing else (no inherited entries).
DWORD GrantEveryone(const std::string& key, DWORD rights) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    if (!CreateWellKnownSid(WinWorldSid, nullptr, sid, &sidSize)) return GetLastError();
    EXPLICIT_ACCESS_W entry{};
    entry.grfAccessPermissions = rights;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = NO_INHERITANCE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    entry.Trustee.ptstrName = reinterpret_cast<wchar_t*>(sid);
    PACL acl = nullptr;
    DWORD result = SetEntriesInAclW(1, &entry, nullptr, &acl);
    if (result != ERROR_SUCCESS) return result;
    HKEY opened = nullptr;
    result = static_cast<DWORD>(RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, WRITE_DAC, &opened));
    if (result == ERROR_SUCCESS) {
        result = SetSecurityInfo(opened, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, acl, nullptr);
        RegCloseKey(opened);
    }
    LocalFree(acl);
    return result;
}

// Wine keeps a key's security and checks it when the key is opened; where a Wine build does
// not, the test says so and is skipped.
TEST_F(RegistryServiceWindows, AKeyTheUserMayOnlyReadExistsButHoldsNothingForTheValueFunctions) {
    ASSERT_EQ(registry.WriteString(Key("Policy\\Inner"), "p", "locked"), TRegistryWrite::Written);
    ASSERT_EQ(registry.WriteString(Key("Policy"), "p", "locked"), TRegistryWrite::Written);
    ASSERT_EQ(GrantEveryone(Key("Policy"), KEY_READ), static_cast<DWORD>(ERROR_SUCCESS));
    HKEY probe = nullptr;
    const LONG full = RegOpenKeyExW(HKEY_CURRENT_USER, Wide(Key("Policy")).c_str(), 0, KEY_ALL_ACCESS, &probe);
    if (full == ERROR_SUCCESS) {
        RegCloseKey(probe);
        GTEST_SKIP() << "this Wine opens a key whose DACL grants only reading for every right";
    }
    EXPECT_TRUE(registry.KeyExists(Key("Policy")));
    EXPECT_EQ(registry.ReadString(Key("Policy"), "p"), TRegistryRead{});
    EXPECT_FALSE(registry.ValueExists(Key("Policy"), "p"));
    EXPECT_FALSE(registry.DeleteValue(Key("Policy"), "p"));
    EXPECT_EQ(registry.WriteString(Key("Policy"), "p", "new"), TRegistryWrite::KeyUnavailable);
    EXPECT_FALSE(registry.DeleteKeyTree(Key("Policy")));
    EXPECT_TRUE(registry.KeyExists(Key("Policy\\Inner"))) << "the key that could not be opened keeps its subkeys";
    // Given back, so that the test's key can go.
    EXPECT_EQ(GrantEveryone(Key("Policy"), KEY_ALL_ACCESS), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(registry.DeleteKeyTree(Key("Policy")));
}

}  // namespace
}  // namespace vellum
