// The registry functions of the page over the Linux store: the requests of the bridge's own
// registry tests give the answers the Windows registry gives them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "bridge_fixture.h"
#include "core/text/str_utils.h"
#include "platform/posix/registry_store_posix.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;
using TTexts = std::vector<std::string>;

class RegistryBridgeLinux : public testing::TBridgeFixture {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("vellum-registry-bridge-" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        // A value of another type is what only a hand-edited store holds.
        std::ofstream(folder_ / "registry.json")
            << R"({"vellum-registry":1,"root":{"keys":{"Software":{"keys":{"V":{"values":{"dword":42}}}}}}})";
        store_ = std::make_unique<TFileRegistryService>((folder_ / "registry.json").string());
        module.reset();
        TBridgeServices services;
        services.Registry = store_.get();
        services.CreateExternalForm = [] { return std::make_unique<testing::TFakeExternalForm>(false); };
        module = std::make_unique<TBrowserExternalModule>(std::move(services), queue);
        module->ExeZip = &archive;
        module->BrowserForm = &page;
    }
    void TearDown() override {
        module.reset();
        fs::remove_all(folder_);
    }
    static TTexts Ok(const std::string& result) { return {Success(result)}; }

    fs::path folder_;
    std::unique_ptr<TFileRegistryService> store_;
};

TEST_F(RegistryBridgeLinux, EachFunctionAnswersAsOnWindows) {
    const std::string text = R"(say "hi" \ C:\Temp\ 100% & | Zoë 😀)";
    struct TCase {
        int Id;
        std::string Data;
        TTexts Answers;
    };
    const TCase cases[] = {
        {13001, R"({"key":"Software\\V","name":"s","value":"text"})", Ok("true")},
        {13001, R"({"key":"Software\\V","name":"z","value":"ab\u0000cd"})", Ok("true")},
        {13001, R"({"key":"Software\\V","name":"e","value":""})", Ok("true")},
        {13001, R"({"key":"Software\\V","name":"n","value":42})", Ok("true")},
        {13001, R"({"key":"Software\\Other","name":"only","value":"x"})", Ok("true")},
        {13001, R"({"key":"Software\\Vellum\\A\\B","name":"Greeting","value":)" + nlohmann::json(text).dump() + "}",
         Ok("true")},
        {13002, R"({"key":"\\Software\\Vellum\\A\\B","name":"greeting"})", Ok(TStrUtils::StringToJsonString(text))},
        {13002, R"({"key":"Software\\V","name":"s"})", Ok("\"text\"")},
        {13002, R"({"key":"Software\\V","name":"z"})", Ok("\"ab\"")},
        {13002, R"({"key":"Software\\V","name":"e"})", Ok("\"\"")},
        {13002, R"({"key":"Software\\V","name":"n"})", Ok("\"42\"")},
        {13002, R"({"key":"Software\\V","name":"missing"})", Ok("\"\"")},
        {13002, R"({"key":"Software\\Missing","name":"s"})", Ok("\"\"")},
        {13003, R"({"key":"Software\\V","name":"dword"})", Ok("true")},
        {13003, R"({"key":"Software\\V","name":"only"})", Ok("false")},
        {13003, R"({"key":"\\Software\\Other","name":"ONLY"})", Ok("true")},
        {13005, R"({"key":"\\software\\v"})", Ok("true")},
        {13005, R"({"key":"Software\\V\\s"})", Ok("false")},
        {13005, R"({"key":"\\"})", Ok("true")},
        {13004, R"({"key":"Software\\V","name":"s"})", Ok("true")},
        {13004, R"({"key":"Software\\V","name":"s"})", Ok("false")},
        {13004, R"({"key":"Software\\Missing","name":"s"})", Ok("false")},
        {13006, R"({"key":"\\"})", Ok("false")},
        {13006, R"({"key":"Software\\Vellum"})", Ok("true")},
        {13006, R"({"key":"Software\\Vellum"})", Ok("false")},
        {13005, R"({"key":"Software\\Vellum\\A"})", Ok("false")},
        {13001, R"({"key":"","name":"n","value":"x"})", {Failure("\"Missing registry key.\"")}},
        {13002, R"({"key":"Software\\V"})", {Failure("\"Missing value name.\"")}},
        {13001, R"({"key":"Software\\V","name":"dword","value":"now text"})", Ok("true")},
        {13002, R"({"key":"Software\\V","name":"dword"})", Ok("\"now text\"")},
    };
    for (const TCase& item : cases) EXPECT_EQ(Send(Request(item.Id, item.Data)), item.Answers) << item.Id << item.Data;
}

TEST_F(RegistryBridgeLinux, AValueOfAnotherTypeLeavesTheReadUnansweredWithItsName) {
    EXPECT_EQ(RaisedBy(Request(13002, R"({"key":"Software\\V","name":"DWORD"})")), "Invalid data type for 'DWORD'");
    EXPECT_EQ(Send(Request(13005, R"({"key":"Software\\V"})")), Ok("true")) << "the next request is answered";
}

}  // namespace
}  // namespace vellum
