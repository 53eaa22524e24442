// The parts of the string utilities that depend on Windows: the registry's MIME settings over
// the built-in table, and COM variants.
#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include "core/text/str_utils.h"

namespace vellum {
namespace {

// Writes string values under the classes root and removes every key it made. (Wine keeps
// the classes root apart from the current user's classes, so the test writes there directly.)
class TClassesKeys {
public:
    ~TClassesKeys() {
        for (auto key = made_.rbegin(); key != made_.rend(); ++key) RegDeleteTreeW(HKEY_CLASSES_ROOT, key->c_str());
    }
    void Set(const std::wstring& key, const wchar_t* name, const wchar_t* value) {
        HKEY handle = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                 static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        RegCloseKey(handle);
        made_.push_back(key);
    }

private:
    std::vector<std::wstring> made_;
};

TEST(MimeTypesFromTheRegistry, OverlayTheBuiltInTableOnEveryCall) {
    EXPECT_EQ(TStrUtils::GetFileMIMEType("doc.abw"), "application/x-abiword");
    EXPECT_EQ(TStrUtils::GetFileMIMEType("x.vellumtest"), "application/octet-stream");
    {
        TClassesKeys keys;
        keys.Set(L".abw", L"Content Type", L"Application/X-Vellum-Abw");  // replaces a built-in row
        keys.Set(L".VellumTest", L"Content Type", L"text/x-vellum");      // adds a row
        keys.Set(L".vellumempty", L"Content Type", L"");                  // empty values are skipped
        keys.Set(L"MIME\\Database\\Content Type\\application/x-vellum-db", L"Extension", L"vdb");  // dot added
        keys.Set(L"MIME\\Database\\Content Type\\application/x-vellum-a", L"Extension", L".vab");
        keys.Set(L"MIME\\Database\\Content Type\\application/x-vellum-b", L"Extension", L".VAB");
        keys.Set(L"MIME\\Database\\Content Type\\Text/X-Vellum-Later", L"Extension", L".vellumtest");

        EXPECT_EQ(TStrUtils::GetFileMIMEType("doc.ABW"), "application/x-vellum-abw");
        EXPECT_EQ(TStrUtils::GetFileMIMEType("data.vdb"), "application/x-vellum-db");
        EXPECT_EQ(TStrUtils::GetFileMIMEType("x.vab"), "application/x-vellum-b") << "the last subkey decides";
        EXPECT_EQ(TStrUtils::GetFileMIMEType("x.vellumtest"), "text/x-vellum-later")
            << "the MIME database comes after the classes";
        EXPECT_EQ(TStrUtils::GetFileMIMEType("x.vellumempty"), "application/octet-stream");
    }
    EXPECT_EQ(TStrUtils::GetFileMIMEType("doc.abw"), "application/x-abiword") << "rebuilt on every call";
}

TEST(OleVarToStrOnWindows, ShowsTheVariantsText) {
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(TStrUtils::OleVarToStr(value), "");
    V_VT(&value) = VT_NULL;
    EXPECT_EQ(TStrUtils::OleVarToStr(value), "");
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = SysAllocString(L"caf\u00E9 \u20AC");
    EXPECT_EQ(TStrUtils::OleVarToStr(value), "caf\xC3\xA9 \xE2\x82\xAC");
    VariantClear(&value);
    V_VT(&value) = VT_I4;
    V_I4(&value) = -12;
    EXPECT_EQ(TStrUtils::OleVarToStr(value), "-12");
    V_VT(&value) = VT_R8;
    V_R8(&value) = 2.25;
    EXPECT_EQ(TStrUtils::OleVarToStr(value), "2.25");
    V_VT(&value) = VT_BOOL;
    V_BOOL(&value) = VARIANT_TRUE;
    EXPECT_EQ(TStrUtils::OleVarToStr(value), "True");
    SYSTEMTIME time{2026, 12, 3, 9, 14, 30, 5, 0};
    V_VT(&value) = VT_DATE;
    ASSERT_TRUE(SystemTimeToVariantTime(&time, &V_DATE(&value)));
    EXPECT_EQ(TStrUtils::OleVarToStr(value), "2026-12-09 14:30:05");
    V_VT(&value) = VT_DISPATCH;
    V_DISPATCH(&value) = nullptr;
    EXPECT_EQ(TStrUtils::OleVarToStr(value), "");
    LONG number = 77;
    V_VT(&value) = VT_I4 | VT_BYREF;
    V_I4REF(&value) = &number;
    EXPECT_EQ(TStrUtils::OleVarToStr(value), "77");
}

}  // namespace
}  // namespace vellum
