// The file store that stands in for the current user's registry on Linux: the same calls give
// the same answers as the Windows registry service, in a real temporary folder; page text in
// key and value names stays data inside the one file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include <nlohmann/json.hpp>

#include "platform/posix/registry_store_posix.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;

class RegistryStore : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("vellum-registry-" + std::to_string(getpid()) + "-" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string StorePath() const { return (folder_ / "config" / "vellum" / "registry.json").string(); }
    std::string FileText() const {
        std::ifstream file(StorePath(), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    void PutFile(const std::string& text) const {
        fs::create_directories(fs::path(StorePath()).parent_path());
        std::ofstream(StorePath(), std::ios::binary) << text;
    }
    // Every file below the test's folder, by its path relative to it.
    std::set<std::string> Files() const {
        std::set<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder_))
            if (!entry.is_directory()) files.insert(fs::relative(entry.path(), folder_).string());
        return files;
    }

    fs::path folder_;
    TFileRegistryService Store() const { return TFileRegistryService(StorePath()); }
};

TRegistryRead Text(const std::string& text) {
    return {TRegistryReadStatus::Text, text};
}

TEST_F(RegistryStore, WritesCreateTheWholePathAndReadBackUnchangedWithoutRegardToCase) {
    TFileRegistryService store = Store();
    const std::string text = "say \"hi\" \\ C:\\Temp\\ 100% Zo\xC3\xAB \xF0\x9F\x98\x80";
    ASSERT_EQ(store.WriteString("Software\\T\\A\\B\\C", "Greet\"ing\\x", text), TRegistryWrite::Written);
    EXPECT_EQ(store.ReadString("software\\t\\a\\b\\c", "GREET\"ING\\X"), Text(text));
    EXPECT_EQ(store.ReadString("Software\\T\\A\\B\\C\\", "Greet\"ing\\x"), Text(text)) << "a trailing backslash";
    EXPECT_TRUE(store.KeyExists("Software\\T\\A\\B"));
    EXPECT_TRUE(store.KeyExists(""));
    EXPECT_TRUE(store.ValueExists("Software\\T\\A\\B\\C", "Greet\"ing\\x"));
    EXPECT_FALSE(store.ValueExists("Software\\T\\A\\B", "Greet\"ing\\x")) << "only in the key below";
    // Letters beyond A to Z compare without case as well, and a name keeps its first spelling.
    ASSERT_EQ(store.WriteString("Software\\Ünïcode", "Ä", "1"), TRegistryWrite::Written);
    ASSERT_EQ(store.WriteString("SOFTWARE\\üNÏCODE", "ä", "2"), TRegistryWrite::Written);
    EXPECT_EQ(store.ReadString("software\\ÜNÏCODE", "Ä"), Text("2"));
    const auto document = nlohmann::json::parse(FileText());
    EXPECT_EQ(document["root"]["keys"]["Software"]["keys"]["Ünïcode"]["values"]["Ä"], "2");
    EXPECT_EQ(document["root"]["keys"].size(), 1u) << "no second key for another case";
}

TEST_F(RegistryStore, AnswersOfEachCallAsTheWindowsRegistryGivesThem) {
    TFileRegistryService store = Store();
    ASSERT_EQ(store.WriteString("K", "empty", ""), TRegistryWrite::Written);
    ASSERT_EQ(store.WriteString("K", "zero", std::string("ab\0cd", 5)), TRegistryWrite::Written);
    ASSERT_EQ(store.WriteString("K", "number", "42"), TRegistryWrite::Written);
    struct TCase {
        const char* Key;
        const char* Name;
        TRegistryRead Read;
        bool Exists;
    };
    const TCase cases[] = {
        {"K", "empty", Text(""), true},       // an empty string still has its terminator's data
        {"K", "zero", Text("ab"), true},      // a text ends at its first zero character
        {"K", "number", Text("42"), true},
        {"k", "NUMBER", Text("42"), true},
        {"K", "missing", {}, false},
        {"Missing", "empty", {}, false},
        {"K\\Missing", "empty", {}, false},
        {"K\\\\", "empty", {}, false},        // an empty key name between backslashes
    };
    for (const TCase& item : cases) {
        EXPECT_EQ(store.ReadString(item.Key, item.Name), item.Read) << item.Key << " " << item.Name;
        EXPECT_EQ(store.ValueExists(item.Key, item.Name), item.Exists) << item.Key << " " << item.Name;
    }
    EXPECT_TRUE(store.DeleteValue("K", "empty"));
    EXPECT_FALSE(store.DeleteValue("K", "empty"));
    EXPECT_FALSE(store.DeleteValue("Missing", "empty"));
    EXPECT_FALSE(store.KeyExists("Missing"));
    EXPECT_EQ(store.WriteString("A\\\\B", "v", "x"), TRegistryWrite::KeyUnavailable);
}

TEST_F(RegistryStore, ValuesOfOtherTypesAreFoundRefusedAsTextAndReplacedByWrites) {
    // Only a hand-edited file holds them: the store itself writes strings.
    PutFile(R"({"vellum-registry":1,"root":{"keys":{"T":{"values":{
        "dword":42,"binary":[1,2,0,3],"flag":true,"nodata":null,"s":"x"}}}}})");
    TFileRegistryService store = Store();
    for (const char* name : {"dword", "binary", "flag"}) {
        EXPECT_EQ(store.ReadString("T", name).Status, TRegistryReadStatus::NotAString) << name;
        EXPECT_TRUE(store.ValueExists("T", name)) << name;
    }
    EXPECT_EQ(store.ReadString("T", "nodata"), TRegistryRead{}) << "a value without data reads as empty";
    EXPECT_TRUE(store.ValueExists("T", "nodata"));
    ASSERT_EQ(store.WriteString("T", "dword", "42"), TRegistryWrite::Written);
    EXPECT_EQ(store.ReadString("T", "dword"), Text("42"));
    EXPECT_EQ(store.ReadString("T", "s"), Text("x")) << "the other values stay";
}

TEST_F(RegistryStore, LongNamesDeepPathsAndAMegabyteValue) {
    TFileRegistryService store = Store();
    const std::string longest(255, 'k');
    EXPECT_EQ(store.WriteString("T\\" + longest, "v", "x"), TRegistryWrite::Written);
    EXPECT_TRUE(store.KeyExists("T\\" + longest));
    EXPECT_EQ(store.WriteString("T\\" + longest + "k", "v", "x"), TRegistryWrite::KeyUnavailable) << "as Windows refuses";
    EXPECT_FALSE(store.KeyExists("T\\" + longest + "k"));
    std::string deep = "D";
    for (int level = 1; level < 20; ++level) deep += "\\" + longest.substr(0, 200) + std::to_string(level);
    ASSERT_EQ(store.WriteString(deep, "v", "deep"), TRegistryWrite::Written);
    EXPECT_EQ(store.ReadString(deep, "v").Text, "deep");
    const std::string megabyte = std::string(1 << 20, 'm') + "\xC3\xAB";
    ASSERT_EQ(store.WriteString("Big", "mb", megabyte), TRegistryWrite::Written);
    EXPECT_EQ(store.ReadString("Big", "mb"), Text(megabyte));
    EXPECT_TRUE(store.DeleteKeyTree("D"));
    EXPECT_FALSE(store.KeyExists("D"));
}

TEST_F(RegistryStore, DeleteKeyTreeRemovesEverythingBelowOnceAndNeverTheRoot) {
    TFileRegistryService store = Store();
    for (const char* key : {"Tree\\A\\B", "Tree\\A\\C", "Tree\\D", "Tree\\q\"uote", "Keep"})
        ASSERT_EQ(store.WriteString(key, "v", key), TRegistryWrite::Written);
    EXPECT_TRUE(store.DeleteKeyTree("tree"));
    EXPECT_FALSE(store.KeyExists("Tree"));
    EXPECT_FALSE(store.KeyExists("Tree\\A\\B"));
    EXPECT_FALSE(store.DeleteKeyTree("Tree"));
    EXPECT_TRUE(store.KeyExists("Keep"));
    EXPECT_FALSE(store.DeleteKeyTree(""));
    EXPECT_FALSE(store.DeleteKeyTree("\\")) << "a lone separator names no key below the root";
    EXPECT_TRUE(store.KeyExists("Keep"));
}

TEST_F(RegistryStore, PageTextInNamesStaysInsideTheOneFile) {
    TFileRegistryService store = Store();
    const std::string keys[] = {"..\\..\\..\\etc", "../../x", "/etc/passwd", "a/b\\..\\c", ".", "..",
                                std::string("A\0..\\..\\evil", 13), "%2e%2e", "~"};
    for (const std::string& key : keys) {
        EXPECT_EQ(store.WriteString(key, "../name/..", "v"), TRegistryWrite::Written) << key;
        EXPECT_EQ(store.ReadString(key, "../name/.."), Text("v")) << key;
    }
    // A name is read as the Windows registry reads it from a C string: up to a zero character.
    EXPECT_TRUE(store.KeyExists("A"));
    EXPECT_TRUE(store.KeyExists(".."));
    EXPECT_EQ(Files(), (std::set<std::string>{"config/vellum/registry.json", "config/vellum/registry.json.lock"}));
    EXPECT_TRUE(nlohmann::json::parse(FileText())["root"]["keys"].contains("/etc/passwd"));
}

TEST_F(RegistryStore, AValueTooLargeOrANameTooLongIsRefusedAndTheStoreStaysWhole) {
    TFileRegistryService store = Store();
    ASSERT_EQ(store.WriteString("K", "kept", "old"), TRegistryWrite::Written);
    const std::string before = FileText();
    EXPECT_EQ(store.WriteString("K", "huge", std::string(TFileRegistryService::kMaxValueBytes + 1, 'x')),
              TRegistryWrite::StoreFailed);
    EXPECT_EQ(store.WriteString("K", std::string(TFileRegistryService::kMaxValueNameLength + 1, 'n'), "x"),
              TRegistryWrite::StoreFailed);
    EXPECT_EQ(store.WriteString("New", "huge", std::string(TFileRegistryService::kMaxValueBytes + 1, 'x')),
              TRegistryWrite::StoreFailed)
        << "the key is not created for a value it cannot hold";
    EXPECT_FALSE(store.KeyExists("New"));
    EXPECT_EQ(FileText(), before);
    EXPECT_EQ(store.WriteString("K", std::string(TFileRegistryService::kMaxValueNameLength, 'n'), "x"),
              TRegistryWrite::Written);
}

TEST_F(RegistryStore, ADamagedFileReadsAsEmptyAndIsKeptBesideOnTheFirstChange) {
    const std::string damaged[] = {
        "{\"vellum-registry\":1,\"root\":{\"keys\":{\"A\":",  // cut short
        "\x00\xFF garbage",
        R"({"vellum-registry":1,"root":{"keys":[1,2]}})",
        R"({"vellum-registry":1,"root":{"keys":{"A":{"values":{},"other":1}}}})",
        R"({"vellum-registry":"1","root":{}})",
        R"([1,2,3])",
    };
    for (const std::string& text : damaged) {
        fs::remove_all(folder_ / "config");
        PutFile(text);
        TFileRegistryService store = Store();
        EXPECT_EQ(store.ReadString("A", "v"), TRegistryRead{}) << text;
        EXPECT_FALSE(store.KeyExists("A")) << text;
        EXPECT_FALSE(store.DeleteKeyTree("A")) << text;
        EXPECT_EQ(FileText(), text) << "nothing changed, nothing replaced";
        ASSERT_EQ(store.WriteString("A", "v", "new"), TRegistryWrite::Written) << text;
        EXPECT_EQ(store.ReadString("A", "v"), Text("new"));
        std::string keptText;
        for (const auto& entry : fs::directory_iterator(folder_ / "config" / "vellum"))
            if (entry.path().filename().string().starts_with("registry.json.damaged-")) {
                std::ifstream kept(entry.path(), std::ios::binary);
                keptText.assign(std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>());
            }
        EXPECT_EQ(keptText, text) << "the damaged file is kept as it was";
    }
}

TEST_F(RegistryStore, AStoreThatCannotBeSavedAnswersAsAKeyThatCannotBeOpened) {
    std::ofstream(folder_ / "file") << "x";  // a file where the store's folder would be
    TFileRegistryService store((folder_ / "file" / "registry.json").string());
    EXPECT_EQ(store.WriteString("K", "v", "x"), TRegistryWrite::KeyUnavailable);
    EXPECT_FALSE(store.DeleteValue("K", "v"));
    EXPECT_FALSE(store.DeleteKeyTree("K"));
    EXPECT_FALSE(store.KeyExists("K"));
    EXPECT_EQ(store.ReadString("K", "v"), TRegistryRead{});
}

TEST_F(RegistryStore, ChangesOfSeveralWritersAtOnceAreAllKept) {
    // Two stores on one file, as two apps of the same user: the lock keeps each change.
    constexpr int kWrites = 40;
    auto writer = [this](const std::string& key) {
        TFileRegistryService store = Store();
        for (int i = 0; i < kWrites; ++i) ASSERT_EQ(store.WriteString(key, "v" + std::to_string(i), "x"), TRegistryWrite::Written);
    };
    std::thread first(writer, "First"), second(writer, "Second");
    first.join();
    second.join();
    TFileRegistryService store = Store();
    for (const char* key : {"First", "Second"})
        for (int i = 0; i < kWrites; ++i) EXPECT_TRUE(store.ValueExists(key, "v" + std::to_string(i))) << key << i;
    EXPECT_EQ(Files().size(), 2u) << "no temporary file is left beside the store";
}

TEST(RegistryStoreLocation, TheUsersConfigurationFolder) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = config != nullptr ? config : "";
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(TFileRegistryService::DefaultStorePath(), "/somewhere/config/vellum/registry.json");
    setenv("XDG_CONFIG_HOME", "relative/config", 1);  // not absolute: ignored, as the XDG rules say
    const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    EXPECT_EQ(TFileRegistryService::DefaultStorePath(), home + "/.config/vellum/registry.json");
    if (config != nullptr) setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace vellum
