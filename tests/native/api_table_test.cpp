// The page API's table (resources/api/functions.json) against the host that serves it: the
// dispatcher's rows are the table's, every served function's first failure for a call without
// arguments is the table's first failure text, and a runtime-only function in preview mode shows
// the table's box. The generated files themselves are compared with the table by
// tests/js/api_table.test.mjs.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "bridge/function_ids.h"
#include "bridge_fixture.h"
#include "core/text/str_utils.h"

namespace vellum {
namespace {

using testing::TBridgeFixture;

const nlohmann::json& ApiTable() {
    static const nlohmann::json table = [] {
        std::ifstream file(VELLUM_SOURCE_DIR "/resources/api/functions.json", std::ios::binary);
        return nlohmann::json::parse(file, nullptr, false);
    }();
    return table;
}

std::string MemberOf(const nlohmann::json& function) {
    const std::string name = function.at("name").get<std::string>();
    return function.at("namespace").is_null() ? name : function.at("namespace").get<std::string>() + "." + name;
}

bool HasRequiredArgument(const nlohmann::json& function) {
    if (!function.at("arguments").is_array()) return false;
    for (const nlohmann::json& argument : function.at("arguments"))
        if (argument.value("required", false)) return true;
    return false;
}

class ApiTableAgainstTheHost : public TBridgeFixture {};

TEST(ApiTable, TheDispatchersRowsAreTheTables) {
    const nlohmann::json& table = ApiTable();
    ASSERT_FALSE(table.is_discarded()) << "resources/api/functions.json is no JSON";
    const nlohmann::json& functions = table.at("functions");
    ASSERT_EQ(functions.size(), kFunctionTable.size());
    for (std::size_t i = 0; i < kFunctionTable.size(); ++i) {
        const TFunctionInfo& row = kFunctionTable[i];
        const nlohmann::json& function = functions[i];
        const std::string member = MemberOf(function);
        EXPECT_EQ(row.Member, member);
        EXPECT_EQ(static_cast<int>(row.Id), function.at("id").get<int>()) << member;
        EXPECT_EQ(row.TakesData, function.at("arguments").is_array()) << member;
        EXPECT_EQ(row.RuntimeOnly, function.at("runtimeOnly").get<bool>()) << member;
    }
}

TEST_F(ApiTableAgainstTheHost, ACallWithoutArgumentsFailsWithTheTablesFirstText) {
    int checked = 0;
    for (const nlohmann::json& function : ApiTable().at("functions")) {
        const int id = function.at("id").get<int>();
        if (!HasRequiredArgument(function) || !module->Serves(static_cast<TFunctionId>(id))) continue;
        const std::string text = function.at("failures").at(0).get<std::string>();
        EXPECT_EQ(Send(Request(id)), std::vector<std::string>{Failure(TStrUtils::StringToJsonString(text))})
            << MemberOf(function);
        ++checked;
    }
    EXPECT_GE(checked, 19) << "the file, folder, app, shell, base64 and registry functions are served";
}

TEST_F(ApiTableAgainstTheHost, RuntimeOnlyFunctionsInPreviewModeShowTheTablesBoxAndNeverAnswer) {
    module->ExeZip = nullptr;
    int checked = 0;
    for (const nlohmann::json& function : ApiTable().at("functions")) {
        const int id = function.at("id").get<int>();
        if (!function.at("runtimeOnly").get<bool>() || !module->Serves(static_cast<TFunctionId>(id))) continue;
        dialogs.Messages.clear();
        EXPECT_TRUE(Send(Request(id)).empty()) << MemberOf(function);
        EXPECT_EQ(dialogs.Messages, std::vector<std::string>{function.at("previewMessage").get<std::string>()})
            << MemberOf(function);
        ++checked;
    }
    EXPECT_GE(checked, 15) << "the app, window, files and system families are served";
}

}  // namespace
}  // namespace vellum
