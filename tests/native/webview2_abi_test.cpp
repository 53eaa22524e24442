// Our WebView2 declarations against the reference table of interfaces, IIDs and slots: every
// listed slot of every interface, called through the vtable, must reach the listed method.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "webview2_slot_echo.h"

namespace vellum::webview2 {
namespace {

struct TRow {
    std::string Interface, Iid, Method;
    int Slot;
};

std::vector<TRow> ReadReferenceTable() {
    std::ifstream file(VELLUM_WEBVIEW2_ABI_TSV);
    std::vector<TRow> rows;
    std::string line;
    std::getline(file, line);  // column names
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream fields(line);
        TRow row;
        std::string slot;
        if (std::getline(fields, row.Interface, '\t') && std::getline(fields, row.Iid, '\t') &&
            std::getline(fields, slot, '\t') && std::getline(fields, row.Method, '\t')) {
            row.Slot = std::stoi(slot);
            rows.push_back(row);
        }
    }
    return rows;
}

std::string IidText(const GUID& id) {
    char text[40];
    std::snprintf(text, sizeof text, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  static_cast<unsigned>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2],
                  id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return text;
}

HRESULT CallSlot(IUnknown* object, int slot) {
    using TMethod = HRESULT(STDMETHODCALLTYPE*)(void*);
    void** vtable = *reinterpret_cast<void***>(object);
    return reinterpret_cast<TMethod>(vtable[slot])(object);
}

TEST(WebView2Abi, EveryInterfaceHasTheListedSlotsInTheListedOrder) {
    const std::vector<TRow> rows = ReadReferenceTable();
    ASSERT_GT(rows.size(), 200u) << "the reference table " VELLUM_WEBVIEW2_ABI_TSV " was not read";
    const auto echoes = testing::SlotEchoes();
    const auto iids = testing::InterfaceIds();
    const auto declared = testing::DeclaredMethods();

    std::map<std::string, std::vector<std::string>> listed;
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Interface + "::" + row.Method);
        ASSERT_TRUE(echoes.count(row.Interface)) << "not declared";
        EXPECT_EQ(IidText(iids.at(row.Interface)), row.Iid);
        EXPECT_EQ(CallSlot(echoes.at(row.Interface), row.Slot), row.Slot) << "a different method sits in this slot";
        auto& methods = listed[row.Interface];
        EXPECT_EQ(row.Slot, static_cast<int>(methods.size()) + 3) << "the table lists slots in order from 3";
        methods.push_back(row.Method);
    }
    EXPECT_EQ(listed.size(), declared.size()) << "interfaces declared but not listed, or the reverse";
    for (const auto& [name, methods] : listed) {
        SCOPED_TRACE(name);
        EXPECT_EQ(declared.at(name), methods) << "exactly the listed methods, no more";
    }
    // IUnknown's own three slots come first.
    for (const auto& [name, object] : echoes) {
        EXPECT_EQ(CallSlot(object, 1), 1) << name << " AddRef";
        EXPECT_EQ(CallSlot(object, 2), 2) << name << " Release";
    }
}

TEST(WebView2Abi, StructsAndEnumsHaveTheirSizesAndValues) {
    EXPECT_EQ(sizeof(EventRegistrationToken), 8u);
    EXPECT_EQ(sizeof(COREWEBVIEW2_PHYSICAL_KEY_STATUS), 24u);
    EXPECT_EQ(sizeof(COREWEBVIEW2_WEB_RESOURCE_CONTEXT), 4u);
    EXPECT_EQ(COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL, 0);
    EXPECT_EQ(COREWEBVIEW2_PERMISSION_STATE_ALLOW, 1);
}

}  // namespace
}  // namespace vellum::webview2
