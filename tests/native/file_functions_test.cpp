// The file, folder and base64 functions against the POSIX file system in a temporary folder:
// the app's executable lies in <temp>/app, so relative paths land there.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <map>

#include <nlohmann/json.hpp>

#include "bridge_fixture.h"
#include "core/settings/app_settings.h"
#include "core/text/str_utils.h"
#include "test_archives.h"
#include "test_files.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;
using testing::BytesOf;
using testing::ReadFile;
using testing::TBytes;
using testing::TTempDir;

// A JSON string as the bridge writes one ("/" escaped too).
std::string Json(const std::string& text) {
    return TStrUtils::StringToJsonString(text);
}

// An answer's success and result text, read back from its JSON.
std::pair<bool, std::string> Read(const std::string& answer) {
    const auto parsed = nlohmann::json::parse(answer);
    return {parsed["success"].get<bool>(), parsed["result"].is_string() ? parsed["result"].get<std::string>() : ""};
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class FileFunctions : public testing::TBridgeFixture {
protected:
    void SetUp() override {
        fs::create_directories(temp.Path() / "app");
        app = temp.Path() / "app";
        appDir = app.string() + "/";
        executablePath = (app / "Hello").string();
        CreateModule();
    }

    std::vector<std::string> Answer(int id, const std::string& data) {
        const std::vector<std::string> answers = Send(Request(id, data));
        return answers;
    }
    std::vector<std::string> Ok(const std::string& result) { return {Success(result)}; }
    std::vector<std::string> Fails(const std::string& text) { return {Failure(Json(text))}; }

    TTempDir temp;
    fs::path app;
    std::string appDir;
};

TEST_F(FileFunctions, BooleanOperationsOnFilesAndFolders) {
    testing::WriteFile(app / "a.txt", "a");
    fs::create_directories(app / "data" / "sub");
    testing::WriteFile(app / "data" / "b.txt", "b");
    testing::WriteFile(app / "data" / "sub" / "c.txt", "c");
    testing::WriteFile(app / "ro.txt", "ro");
    fs::permissions(app / "ro.txt", fs::perms::owner_read);
    fs::create_symlink(app / "a.txt", app / "link.txt");
    fs::create_symlink(app / "data", app / "linkdir");
    const std::string longName(300, 'x');
    struct TCase {
        int Id;
        std::string Data;
        std::vector<std::string> Answers;
    };
    const TCase cases[] = {
        {30001, R"({"filePath":"a.txt"})", Ok("true")},
        {30001, R"({"filePath":"data/b.txt"})", Ok("true")},
        {30001, R"({"filePath":"data\\b.txt"})", Ok("true")},
        {30001, R"({"filePath":"/data//b.txt"})", Ok("true")},
        {30001, R"({"filePath":"data/sub/../b.txt"})", Ok("true")},
        {30001, R"({"filePath":"link.txt"})", Ok("true")},
        {30001, R"({"filePath":"data"})", Ok("false")},
        {30001, R"({"filePath":"missing.txt"})", Ok("false")},
        {30001, R"({"filePath":12})", Ok("false")},
        {30001, R"({"filePath":true})", Ok("false")},
        {30001, R"({"filePath":")" + longName + R"("})", Ok("false")},
        {30001, R"({"filePath":"a\u0000.txt"})", Ok("false")},
        {30001, "{}", Fails("Missing filePath")},
        {30001, R"({"filePath":""})", Fails("Missing filePath")},
        {30001, R"({"filePath":null})", Fails("Missing filePath")},
        {40001, R"({"dirPath":"data"})", Ok("true")},
        {40001, R"({"dirPath":"data/sub/"})", Ok("true")},
        {40001, R"({"dirPath":"linkdir"})", Ok("true")},
        {40001, R"({"dirPath":"a.txt"})", Ok("false")},
        {40001, R"({"dirPath":"nothing"})", Ok("false")},
        {40001, R"({"dirPath":""})", Fails("Missing dirPath")},
        {40001, "{}", Fails("Missing dirPath")},
        {30002, R"({"filePath":"missing.txt"})", Ok("false")},
        {30002, R"({"filePath":"data"})", Ok("false")},
        {30002, R"({"filePath":"ro.txt"})", Ok("false")},  // read-only, as Windows keeps it
        {30002, R"({"filePath":"data/b.txt"})", Ok("true")},
        {30002, R"({"filePath":"data/b.txt"})", Ok("false")},
        {30002, "{}", Fails("Missing filePath")},
        {40002, R"({"dirPath":"data"})", Ok("true")},
        {40002, R"({"dirPath":"fresh"})", Ok("true")},
        {40002, R"({"dirPath":"no/parent"})", Ok("false")},
        {40002, R"({"dirPath":"a.txt"})", Ok("false")},
        {40002, R"({"dirPath":")" + longName + R"("})", Ok("false")},
        {40002, "{}", Fails("Missing dirPath")},
        {40003, R"({"dirPath":"nothing"})", Ok("false")},
        {40003, R"({"dirPath":"a.txt"})", Ok("false")},
        {40003, R"({"dirPath":"linkdir/sub"})", Ok("true")},
        {40003, R"({"dirPath":"data"})", Ok("true")},
        {40003, R"({"dirPath":null})", Fails("Missing dirPath")},
    };
    for (const TCase& item : cases) EXPECT_EQ(Answer(item.Id, item.Data), item.Answers) << item.Id << " " << item.Data;
    EXPECT_EQ(Names(app), (std::vector<std::string>{"a.txt", "fresh", "link.txt", "linkdir", "ro.txt"}));
    EXPECT_EQ(ReadFile(app / "ro.txt"), BytesOf("ro"));
    EXPECT_FALSE(fs::exists(app / "no"));
}

TEST_F(FileFunctions, WriteTextFileWritesAByteOrderMarkAndCrLfAfterEveryLine) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"filePath":"t.txt"})", "\xEF\xBB\xBF"},
        {R"({"filePath":"t.txt","contents":""})", "\xEF\xBB\xBF"},
        {R"({"filePath":"t.txt","contents":null})", "\xEF\xBB\xBF"},
        {R"({"filePath":"t.txt","contents":"a"})", "\xEF\xBB\xBF" "a\r\n"},
        {R"({"filePath":"t.txt","contents":"a\r\nb\n"})", "\xEF\xBB\xBF" "a\r\nb\r\n"},
        {R"({"filePath":"t.txt","contents":"a\rb\n\nc"})", "\xEF\xBB\xBF" "a\r\nb\r\n\r\nc\r\n"},
        {R"({"filePath":"t.txt","contents":"\n"})", "\xEF\xBB\xBF" "\r\n"},
        {R"({"filePath":"t.txt","contents":"\r\r\n"})", "\xEF\xBB\xBF" "\r\n\r\n"},
        {R"({"filePath":"t.txt","contents":"é€😀"})", "\xEF\xBB\xBF" "é€😀\r\n"},
        {R"({"filePath":"t.txt","contents":12.5})", "\xEF\xBB\xBF" "12.5\r\n"},
        {R"({"filePath":"t.txt","contents":false})", "\xEF\xBB\xBF" "false\r\n"},
    };
    for (const auto& [data, bytes] : cases) {
        testing::WriteFile(app / "t.txt", "a longer old content that must go");
        EXPECT_EQ(Answer(30003, data), Ok("true")) << data;
        EXPECT_EQ(ReadFile(app / "t.txt"), BytesOf(bytes)) << data;
    }
    EXPECT_EQ(Answer(30003, R"({"filePath":"out/new/a.txt","contents":"x"})"), Ok("true"));
    EXPECT_EQ(ReadFile(app / "out" / "new" / "a.txt"), BytesOf("\xEF\xBB\xBF" "x\r\n"));
    EXPECT_EQ(Answer(30003, R"({"filePath":"out\\new\\..\\b.txt","contents":"y"})"), Ok("true"));
    EXPECT_EQ(ReadFile(app / "out" / "b.txt"), BytesOf("\xEF\xBB\xBF" "y\r\n"));
    EXPECT_EQ(Answer(30003, R"({"contents":"x"})"), Fails("Missing filePath"));
    EXPECT_EQ(Answer(30003, R"({"filePath":""})"), Fails("Missing filePath"));
    EXPECT_EQ(Names(app), (std::vector<std::string>{"out", "t.txt"}));
}

TEST_F(FileFunctions, Base64DecodeToFileWritesTheBytesAlone) {
    EXPECT_EQ(Answer(90001, R"({"filePath":"bin/new/x.bin"})"), Ok("true"));
    EXPECT_EQ(ReadFile(app / "bin" / "new" / "x.bin"), TBytes{});
    EXPECT_EQ(Answer(90001, R"({"filePath":"bin/new/x.bin","contents":"AP+A\r\nfw=="})"), Ok("true"));
    EXPECT_EQ(ReadFile(app / "bin" / "new" / "x.bin"), (TBytes{0x00, 0xFF, 0x80, 0x7F}));
    EXPECT_EQ(Answer(90001, R"({"filePath":"bin/new/x.bin","contents":"data:image/png;base64,iVBO"})"), Ok("true"));
    EXPECT_EQ(ReadFile(app / "bin" / "new" / "x.bin"), (TBytes{0x89, 0x50, 0x4E}));
    EXPECT_EQ(Answer(90001, R"({"filePath":"bin/new/x.bin","contents":"not base64!"})"), Ok("true"));
    EXPECT_EQ(ReadFile(app / "bin" / "new" / "x.bin"), BytesOf("\x9e\x8b\x5b\x6a\xc7\xba")) << "\"notbase6\", up to the \"!\"";
    EXPECT_EQ(Answer(90001, R"({"contents":"AAAA"})"), Fails("Missing filePath"));
    EXPECT_EQ(Names(app / "bin" / "new"), std::vector<std::string>{"x.bin"});
}

// Writing to a target that is a folder or read-only is answered with the system's reason; what
// was there stays, and nothing is left beside it.
TEST_F(FileFunctions, TargetsThatCannotBeWrittenAreAnsweredWithTheReason) {
    fs::create_directories(app / "folder");
    testing::WriteFile(app / "folder" / "inside.txt", "in");
    testing::WriteFile(app / "ro.txt", "read-only");
    fs::permissions(app / "ro.txt", fs::perms::owner_read);
    const std::pair<int, const char*> functions[] = {{30003, "contents"}, {90001, "contents"}};
    for (const auto& [id, key] : functions) {
        for (const std::string target : {"folder", "ro.txt"}) {
            const auto answers = Answer(id, R"({"filePath":")" + target + R"(",")" + key + R"(":"QUJD"})");
            ASSERT_EQ(answers.size(), 1u);
            const auto [succeeded, message] = Read(answers[0]);
            EXPECT_FALSE(succeeded);
            EXPECT_TRUE(StartsWith(message, "Cannot create file \"" + appDir + target + "\". ")) << message;
        }
    }
    EXPECT_EQ(ReadFile(app / "ro.txt"), BytesOf("read-only"));
    EXPECT_EQ(Names(app), (std::vector<std::string>{"folder", "ro.txt"}));
    EXPECT_EQ(Names(app / "folder"), std::vector<std::string>{"inside.txt"});
}

// A file size limit makes the write fail part way, as a full disk does.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};

TEST_F(FileFunctions, AWriteThatFailsPartWayKeepsTheOldFileWhole) {
    const std::string big(1 << 20, 'z');
    TAppSettings settings;
    settings.SetStrings({"[App]", "DirName=/site"});
    module->ProjectINI = &settings;
    const TBytes archiveBytes = testing::MakeArchive({{"/site/big.txt", BytesOf(big), true}}, "pw");
    TMemoryStream archiveStream(archiveBytes);
    archive.SetPassword("pw");
    archive.Open(archiveStream);
    const std::string extractTarget = (app / "old.txt").string();
    const std::string requests[] = {
        Request(30003, R"({"filePath":"old.txt","contents":")" + big + "\"}"),
        Request(90001, R"({"filePath":"old.txt","contents":")" + std::string(1 << 20, 'A') + "\"}"),
        Request(30004, R"({"sourceFile":"/big.txt","targetFile":)" + Json(extractTarget) + "}"),
    };
    for (const std::string& request : requests) {
        testing::WriteFile(app / "old.txt", "the old content");
        std::vector<std::string> answers;
        {
            FileSizeLimit limit(64 * 1024);
            answers = Send(request);
        }
        ASSERT_EQ(answers.size(), 1u) << request.substr(0, 40);
        EXPECT_EQ(Read(answers[0]), std::make_pair(false, "Cannot write file \"" + appDir + "old.txt\". File too large"));
        EXPECT_EQ(ReadFile(app / "old.txt"), BytesOf("the old content"));
        EXPECT_EQ(Names(app), std::vector<std::string>{"old.txt"}) << "nothing half-written beside it";
    }
    module->ProjectINI = nullptr;
}

TEST_F(FileFunctions, ParentFoldersThatCannotBeMadeGetNoAnswer) {
    testing::WriteFile(app / "file", "f");
    for (const int id : {30003, 90001}) {
        EXPECT_ANY_THROW(Send(Request(id, R"({"filePath":"file/sub/a.txt","contents":"x"})")));
        EXPECT_EQ(Send(Request(10002)), Ok("true")) << "the next request is answered";
    }
    EXPECT_EQ(ReadFile(app / "file"), BytesOf("f"));
    EXPECT_EQ(Names(app), std::vector<std::string>{"file"});
}

TEST_F(FileFunctions, WriteTextFileTakesFiftyMegabytes) {
    std::string contents(50 << 20, 'a');
    for (std::size_t i = 99; i < contents.size(); i += 100) contents[i] = '\n';
    EXPECT_EQ(Answer(30003, nlohmann::json{{"filePath", "big.txt"}, {"contents", contents}}.dump()), Ok("true"));
    EXPECT_EQ(fs::file_size(app / "big.txt"), 3 + contents.size() / 100 * 101);
}

TEST_F(FileFunctions, ListFilesByMaskOnlyFilesFullPaths) {
    fs::create_directories(app / "tree" / "sub" / "deeper");
    fs::create_directories(app / "tree" / "empty.txt");  // a folder that matches the mask
    for (const char* name : {"a.txt", "B.TXT", "README", "c.md"}) testing::WriteFile(app / "tree" / name, "x");
    testing::WriteFile(app / "tree" / "sub" / "d.txt", "x");
    testing::WriteFile(app / "tree" / "sub" / "deeper" / "e.txt", "x");
    fs::create_directory_symlink(app / "tree", app / "tree" / "sub" / "loop");
    const std::string top = appDir + "tree/";
    const auto list = [&](const std::string& data) {
        const auto answers = Answer(40004, data);
        if (answers.size() != 1 || answers[0].find("\"success\": true") == std::string::npos) return answers;
        const auto result = nlohmann::json::parse(answers[0])["result"];
        std::vector<std::string> paths = result.get<std::vector<std::string>>();
        std::sort(paths.begin(), paths.end());
        return paths;
    };
    using TPaths = std::vector<std::string>;
    EXPECT_EQ(list(R"({"dirPath":"tree","fileMask":"*.txt","allDirs":false})"), (TPaths{top + "B.TXT", top + "a.txt"}));
    EXPECT_EQ(list(R"({"dirPath":"tree","fileMask":"*.txt","allDirs":"TRUE"})"),
              (TPaths{top + "B.TXT", top + "a.txt", top + "sub/d.txt", top + "sub/deeper/e.txt"}));
    EXPECT_EQ(list(R"({"dirPath":"tree","fileMask":"*.*","allDirs":"no"})"),
              (TPaths{top + "B.TXT", top + "README", top + "a.txt", top + "c.md"}));
    EXPECT_EQ(list(R"({"dirPath":"tree","fileMask":"?.md","allDirs":true})"), (TPaths{top + "c.md"}));
    EXPECT_EQ(list(R"({"dirPath":"tree/sub","fileMask":"*","allDirs":1})"), (TPaths{appDir + "tree\\sub/d.txt"}));
    EXPECT_EQ(list(R"({"dirPath":"tree/sub/","fileMask":"*","allDirs":"false"})"), (TPaths{appDir + "tree\\sub\\d.txt"}));
    EXPECT_EQ(Answer(40004, R"({"dirPath":"tree","fileMask":"*.none","allDirs":"true"})"), Ok("[]"));
    EXPECT_EQ(Answer(40004, R"({"dirPath":"nothing","fileMask":"*","allDirs":"true"})"),
              Fails("The specified folder does not exist."));
    EXPECT_EQ(Answer(40004, R"({"dirPath":"tree/a.txt","fileMask":"*","allDirs":"true"})"),
              Fails("The specified folder does not exist."));
    // The first missing argument is the one reported.
    EXPECT_EQ(Answer(40004, "{}"), Fails("Missing dirPath"));
    EXPECT_EQ(Answer(40004, R"({"fileMask":"*","allDirs":"true"})"), Fails("Missing dirPath"));
    EXPECT_EQ(Answer(40004, R"({"dirPath":"tree","allDirs":"true"})"), Fails("Missing fileMask"));
    EXPECT_EQ(Answer(40004, R"({"dirPath":"tree","fileMask":"*"})"), Fails("Missing allDirs"));
    EXPECT_EQ(Answer(40004, R"({"dirPath":"nothing","fileMask":"","allDirs":""})"), Fails("Missing fileMask"));
    // A mask the enumeration refuses leaves the handler: no answer.
    for (const char* mask : {"a|b", "sub/*", "<", "x\\y"}) {
        EXPECT_ANY_THROW(Send(Request(40004, R"({"dirPath":"tree","allDirs":"true","fileMask":)" + Json(mask) + "}")));
    }
    EXPECT_EQ(page.Answers.size(), 14u);
}

TEST_F(FileFunctions, FolderQueriesEndInADelimiter) {
    EXPECT_EQ(Answer(40008, "{}"), Ok(Json(appDir)));
    for (const int id : {40005, 40006, 40007, 40009}) {
        const auto answers = Answer(id, "{}");
        ASSERT_EQ(answers.size(), 1u);
        const std::string folder = nlohmann::json::parse(answers[0])["result"];
        EXPECT_EQ(folder.back(), '/') << id;
    }
    setenv("TMPDIR", temp.Path().c_str(), 1);
    EXPECT_EQ(Answer(40005, "{}"), Ok(Json(temp.Path().string() + "/")));
    unsetenv("TMPDIR");
}

class ExtractFile : public FileFunctions {
protected:
    void SetUp() override {
        FileFunctions::SetUp();
        settings.SetStrings({"[App]", "DirName=/site"});
        module->ProjectINI = &settings;
        archiveBytes = testing::MakeArchive({{"/site/docs/readme.txt", BytesOf("stored text"), false},
                                             {"/site/data.bin", testing::PseudoRandomBytes(100000, 7), true},
                                             {"/other.txt", BytesOf("outside"), false}},
                                            "pw");
        archiveStream = TMemoryStream(archiveBytes);
        archive.SetPassword("pw");
        archive.Open(archiveStream);
    }
    void TearDown() override { module->ProjectINI = nullptr; }

    std::string Extract(const std::string& source, const fs::path& target) {
        return R"({"sourceFile":)" + Json(source) + R"(,"targetFile":)" + Json(target.string()) + "}";
    }

    TAppSettings settings;
    TBytes archiveBytes;
    TMemoryStream archiveStream;
};

TEST_F(ExtractFile, CopiesStoredAndDeflatedEntriesOfTheAppFolder) {
    testing::WriteFile(app / "old.txt", "old content, longer than the new one");
    EXPECT_EQ(Answer(30004, Extract("/docs/readme.txt", app / "old.txt")), Ok("true"));
    EXPECT_EQ(ReadFile(app / "old.txt"), BytesOf("stored text"));
    EXPECT_EQ(Answer(30004, Extract("/DATA.BIN", app / "data.bin")), Ok("true"));
    EXPECT_EQ(ReadFile(app / "data.bin"), testing::PseudoRandomBytes(100000, 7));
    EXPECT_EQ(Answer(30004, Extract("/site/docs/readme.txt", app / "x")), Fails("File not found"));
    EXPECT_EQ(Answer(30004, Extract("docs/readme.txt", app / "y")), Fails("File not found")) << "no separator is added";
    testing::WriteFile(app / "z", "old");
    EXPECT_EQ(Answer(30004, Extract("/../other.txt", app / "z")), Fails("File not found"));
    EXPECT_EQ(ReadFile(app / "x"), TBytes{}) << "the target is made, empty, before the look-up";
    EXPECT_EQ(ReadFile(app / "z"), TBytes{});
    EXPECT_EQ(Names(app), (std::vector<std::string>{"data.bin", "old.txt", "x", "y", "z"}));
}

TEST_F(ExtractFile, ArgumentsAndTargetsThatCannotBeMade) {
    EXPECT_EQ(Answer(30004, "{}"), Fails("Missing sourceFile"));
    EXPECT_EQ(Answer(30004, R"({"sourceFile":"","targetFile":"t"})"), Fails("Missing sourceFile"));
    EXPECT_EQ(Answer(30004, R"({"sourceFile":"/docs/readme.txt"})"), Fails("Missing targetFile"));
    EXPECT_EQ(Answer(30004, R"({"sourceFile":"/nothing","targetFile":null})"), Fails("Missing targetFile"));
    // A target that cannot be created leaves the handler without an answer, found or not.
    for (const char* source : {"/docs/readme.txt", "/nothing"}) {
        EXPECT_ANY_THROW(Send(Request(30004, Extract(source, app / "no" / "such" / "folder.txt"))));
        EXPECT_ANY_THROW(Send(Request(30004, Extract(source, app))));
    }
    EXPECT_TRUE(Names(app).empty());
    EXPECT_EQ(page.Answers.size(), 4u);
}

TEST_F(ExtractFile, ADamagedEntryIsAFailureAndKeepsTheOldFile) {
    // Flip a byte of the deflated entry's data: the CRC check refuses it.
    TBytes damaged = archiveBytes;
    const int entry = archive.FindFile("/site/data.bin");
    damaged[archive.FileInfo(entry).LocalHeaderOffset + 30 + 14 + 12 + 100] ^= 0x55;
    archiveStream = TMemoryStream(damaged);
    archive.Open(archiveStream);
    testing::WriteFile(app / "keep.bin", "keep me");
    const auto answers = Answer(30004, Extract("/data.bin", app / "keep.bin"));
    ASSERT_EQ(answers.size(), 1u);
    const auto [succeeded, message] = Read(answers[0]);
    EXPECT_FALSE(succeeded);
    EXPECT_TRUE(StartsWith(message, "Cannot extract \"/data.bin\": ")) << message;
    EXPECT_EQ(ReadFile(app / "keep.bin"), BytesOf("keep me"));
    EXPECT_EQ(Names(app), std::vector<std::string>{"keep.bin"});
}

TEST_F(ExtractFile, InPreviewModeShowsTheMessageAndAnswersNothing) {
    module->ExeZip = nullptr;
    EXPECT_TRUE(Send(Request(30004, Extract("/docs/readme.txt", app / "t.txt"))).empty());
    EXPECT_EQ(dialogs.Messages, std::vector<std::string>{"Calls to vlm.app.extractFile() works only at runtime."});
    EXPECT_TRUE(Names(app).empty());
}

TEST_F(FileFunctions, EveryFunctionAnswersInPreviewModeButExtractFile) {
    module->ExeZip = nullptr;
    testing::WriteFile(app / "a.txt", "a");
    EXPECT_EQ(Answer(30001, R"({"filePath":"a.txt"})"), Ok("true"));
    EXPECT_EQ(Answer(30003, R"({"filePath":"b.txt","contents":"b"})"), Ok("true"));
    EXPECT_EQ(Answer(90001, R"({"filePath":"c.bin","contents":"Yw=="})"), Ok("true"));
    EXPECT_EQ(Answer(40004, R"({"dirPath":"","fileMask":"*","allDirs":"true"})"), Fails("Missing dirPath"));
    EXPECT_EQ(Answer(40002, R"({"dirPath":"d"})"), Ok("true"));
    EXPECT_EQ(Answer(40008, "{}"), Ok(Json(appDir)));
    EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(FileFunctions, ArgumentsThatAreObjectsOrArraysGetNoAnswerAndChangeNothing) {
    testing::WriteFile(app / "a.txt", "a");
    fs::create_directories(app / "d");
    const std::pair<int, std::vector<std::string>> functions[] = {
        {30001, {"filePath"}}, {30002, {"filePath"}}, {30003, {"filePath", "contents"}},
        {30004, {"sourceFile", "targetFile"}}, {40001, {"dirPath"}}, {40002, {"dirPath"}}, {40003, {"dirPath"}},
        {40004, {"dirPath", "fileMask", "allDirs"}}, {90001, {"filePath", "contents"}},
    };
    // Every other argument is valid, so the bad one is what stops the call.
    const std::map<std::string, std::string> valid = {
        {"filePath", "\"a.txt\""}, {"contents", "\"x\""}, {"sourceFile", "\"/s\""}, {"targetFile", Json((app / "t").string())},
        {"dirPath", "\"d\""},      {"fileMask", "\"*\""}, {"allDirs", "\"true\""}};
    for (const auto& [id, keys] : functions) {
        for (const std::string& bad : keys) {
            for (const char* value : {"{}", "[]", "[\"a.txt\"]", R"({"a":1})"}) {
                std::string data = "{";
                for (const std::string& key : keys)
                    data += (data.size() > 1 ? "," : "") + Json(key) + ":" + (key == bad ? value : valid.at(key));
                data += "}";
                SCOPED_TRACE(std::to_string(id) + " " + data);
                EXPECT_ANY_THROW(Send(Request(id, data)));
            }
        }
    }
    EXPECT_TRUE(page.Answers.empty());
    EXPECT_EQ(ReadFile(app / "a.txt"), BytesOf("a"));
    EXPECT_EQ(Names(app), (std::vector<std::string>{"a.txt", "d"}));
    EXPECT_EQ(Send(Request(10002)), Ok("true")) << "the next request is answered";
}

}  // namespace
}  // namespace vellum
