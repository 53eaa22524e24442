#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <thread>

#include "core/archive/calculations.h"
#include "core/archive/exe_utils.h"
#include "core/archive/zip_archive.h"
#include "core/text/utf.h"
#include "test_files.h"
#include "tools/pack/pack_commands.h"
#include "tools/pack/project_check.h"

namespace vellum::pack {
namespace {

using vellum::testing::BytesOf;
using vellum::testing::TBytes;
using vellum::testing::WriteFile;

class PackToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(project / "vlm.ini", "[App]\nID=demo.app\nName=Demo\nDirName=web\n");
        WriteFile(project / "web" / "index.html", "<title>Demo</title>");
        WriteFile(project / "web" / "js" / "app.js", "vlm.app.close();");
        WriteFile(project / "web" / "empty.css", "");
        WriteFile(project / "vlm-webviewjs", "console.log('extra');");
        WriteFile(project / "notes.txt", "not part of the app");
        WriteFile(runtime, runtimeImage);
        WriteFile(loader, "loader library bytes");
    }

    int Run(const std::vector<std::string>& arguments) {
        out.str("");
        err.str("");
        return RunPackTool(arguments, dir / "bin" / "vellum-pack", out, err);
    }

    int Build(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> arguments = {"build",     project.string(), "-o",       output.string(),
                                              "--runtime", runtime.string(), "--loader", loader.string()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return Run(arguments);
    }

    vellum::testing::TTempDir dir;
    std::filesystem::path project = dir / "project";
    std::filesystem::path runtime = dir / "VellumRuntime.exe";
    std::filesystem::path loader = dir / "loader.dll";
    std::filesystem::path output = dir / "out" / "Demo.exe";
    TBytes runtimeImage = vellum::testing::MakePeImage({{0x400, 0x600}});
    std::ostringstream out, err;
};

TEST_F(PackToolTest, BuildsAnExecutableWhoseArchiveMirrorsTheProject) {
    WriteFile(dir / "setup.exe", "installer bytes");
    ASSERT_EQ(Build({"--installer", (dir / "setup.exe").string()}), 0) << err.str();

    const TBytes packaged = vellum::testing::ReadFile(output);
    ASSERT_GT(packaged.size(), runtimeImage.size());
    EXPECT_TRUE(std::equal(runtimeImage.begin(), runtimeImage.end(), packaged.begin()))
        << "the runtime comes first, unchanged";
    EXPECT_FALSE(std::filesystem::exists(output.string() + ".partial"));

    ASSERT_EQ(Run({"list", output.string()}), 0) << err.str();
    const std::string listing = out.str();
    for (const char* name :
         {"vlm.ini", "vlm-webviewjs", "WebView2LoaderWin64.dll", "web/index.html", "web/js/app.js", "web/empty.css"})
        EXPECT_NE(listing.find(name), std::string::npos) << name;
    EXPECT_EQ(listing.find("notes.txt"), std::string::npos) << "only the DirName folder is packed";
    EXPECT_NE(listing.find("7 entries"), std::string::npos) << listing;

    ASSERT_EQ(Run({"cat", output.string(), "WEB/JS/APP.JS"}), 0) << err.str();
    EXPECT_EQ(out.str(), "vlm.app.close();");
    EXPECT_EQ(Run({"cat", output.string(), "web/missing.js"}), 1);
    EXPECT_NE(err.str().find("no such entry"), std::string::npos);

    ASSERT_EQ(Run({"extract", output.string(), "-o", (dir / "app.zip").string()}), 0) << err.str();
    const TBytes zip = vellum::testing::ReadFile(dir / "app.zip");
    EXPECT_TRUE(std::equal(zip.begin(), zip.end(), packaged.begin() + static_cast<long>(runtimeImage.size())));
    EXPECT_EQ(zip.size(), packaged.size() - runtimeImage.size());
}

TEST_F(PackToolTest, DeflatedBuildReadsTheSame) {
    WriteFile(project / "web" / "big.txt", std::string(100000, 'q'));
    ASSERT_EQ(Build({"--deflate", "--threads", "2"}), 0) << err.str();
    ASSERT_EQ(Run({"cat", output.string(), "web/big.txt"}), 0) << err.str();
    EXPECT_EQ(out.str(), std::string(100000, 'q'));
    EXPECT_LT(std::filesystem::file_size(output), runtimeImage.size() + 20000);
}

TEST_F(PackToolTest, RefusesARuntimeThatAlreadyCarriesAnArchive) {
    ASSERT_EQ(Build(), 0) << err.str();
    runtime = output;
    output = dir / "Twice.exe";
    EXPECT_EQ(Build(), 1);
    EXPECT_NE(err.str().find("already carries an attached archive"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(output));

    WriteFile(dir / "not-a-program.exe", "hello");
    runtime = dir / "not-a-program.exe";
    EXPECT_EQ(Build(), 1);
    EXPECT_NE(err.str().find("is not a Windows executable"), std::string::npos) << err.str();
}

// The same build with a Linux runtime: the ELF rule finds where its image ends, so the
// archive is read back behind it and a packaged Linux app is refused as a runtime.
TEST_F(PackToolTest, BuildsALinuxAppFromAnElfRuntime) {
    const vellum::testing::TElfImage elf = vellum::testing::MakeElfImage({{0, 0x300}}, {{1, 0x300, 0x200}});
    runtime = dir / "vellum-runtime";
    WriteFile(runtime, elf.Bytes);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                              std::filesystem::perms::group_exec);
    output = dir / "out" / "demo";
    ASSERT_EQ(Run({"build", project.string(), "-o", output.string(), "--runtime", runtime.string()}), 0) << err.str();
    EXPECT_EQ(err.str().find("no loader library"), std::string::npos) << err.str();
    EXPECT_EQ(std::filesystem::status(output).permissions(), std::filesystem::status(runtime).permissions());
    const auto location = TExeUtils::LocateArchive(output);
    ASSERT_TRUE(location.has_value());
    EXPECT_EQ(location->Format, TImageFormat::Elf);
    EXPECT_EQ(location->ImageEnd, static_cast<std::int64_t>(elf.ImageEnd));
    EXPECT_EQ(Run({"cat", output.string(), "web/js/app.js"}), 0) << err.str();
    EXPECT_EQ(out.str(), "vlm.app.close();");

    runtime = output;
    output = dir / "out" / "twice";
    EXPECT_EQ(Build(), 1);
    EXPECT_NE(err.str().find("already carries an attached archive"), std::string::npos) << err.str();

    TBytes damaged = elf.Bytes;
    damaged[4] = 9;  // no such ELF class
    runtime = dir / "damaged";
    WriteFile(runtime, damaged);
    EXPECT_EQ(Build(), 1);
    EXPECT_NE(err.str().find("vellum-pack: Damaged ELF headers: unknown class 9."), std::string::npos) << err.str();

    WriteFile(runtime, TBytes(elf.Bytes.begin(), elf.Bytes.begin() + 0x400));  // cut inside its data
    EXPECT_EQ(Build(), 1);
    EXPECT_NE(err.str().find("is shorter than its program image"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(PackToolTest, RefusesARuntimeShorterThanItsImage) {
    // Headers that describe 0xA00 bytes in a file cut off inside its last section.
    WriteFile(runtime, TBytes(runtimeImage.begin(), runtimeImage.begin() + 0x700));
    EXPECT_EQ(Build(), 1);
    EXPECT_NE(err.str().find("is shorter than its program image (its headers describe 2560 bytes, the file holds "
                             "1792)"),
              std::string::npos)
        << err.str();
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(PackToolTest, SettingsErrorsNameTheLineAndWriteNothing) {
    struct TCase {
        const char* settings;
        const char* expected;
    };
    const TCase cases[] = {
        {"[App]\nName=Demo\nDirName=web\n", "vlm.ini: error: 'ID' is missing or empty in [App]"},
        {"[App]\nID=x\nName\nDirName=web\n", "vlm.ini:3: error: 'Name' is missing or empty"},
        {"[App]\nID=x\nName=Demo\nDirName=site\n", "vlm.ini:4: error: DirName names the folder 'site'"},
        {"[App]\nID=x\nName=Demo\nDirName=web\nIndexHtml=start.html\n",
         "vlm.ini:5: error: the start page 'start.html' (IndexHtml) is not in the folder 'web'"},
        {"ID=x\nName=Demo\nDirName=web\n", "vlm.ini:1: warning: this line stands before the first section header"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.settings);
        WriteFile(project / "vlm.ini", c.settings);
        EXPECT_EQ(Build(), 1);
        EXPECT_NE(err.str().find(c.expected), std::string::npos) << err.str();
        EXPECT_FALSE(std::filesystem::exists(output));
    }
}

TEST_F(PackToolTest, RefusesAnIdThatIsNotOnePlainFolderName) {
    // The ID names the app's data folder, which a failed installation deletes again.
    struct TCase {
        const char* id;
        const char* why;
    };
    const TCase cases[] = {
        {".", "names the folder that holds it"},
        {"..", "names the folder that holds it"},
        {"../x", "holds a path delimiter"},
        {"a\\b", "holds a path delimiter"},
        {"C:", "holds a character Windows does not allow"},
        {"a|b", "holds a character Windows does not allow"},
        {"app.", "ends with a dot"},
        {"nul", "is a device name"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.id);
        WriteFile(project / "vlm.ini", std::string("[App]\nName=Demo\nID=") + c.id + "\nDirName=web\n");
        EXPECT_EQ(Build(), 1);
        EXPECT_NE(err.str().find(std::string("vlm.ini:3: error: ID '") + c.id + "' " + c.why), std::string::npos)
            << err.str();
        EXPECT_NE(err.str().find("the app would end at start without a word"), std::string::npos) << err.str();
        EXPECT_FALSE(std::filesystem::exists(output));
        EXPECT_FALSE(std::filesystem::exists(output.parent_path()));
    }
}

// Opens a named pipe for writing on a thread of its own, as a writer that arrives whenever a
// reader does; Release lets it finish whether or not the tool opened the pipe.
class TPipeWriter {
public:
    TPipeWriter(const std::filesystem::path& path, std::string text)
        : path_(path), thread_([path, text = std::move(text)] {
              const int fd = ::open(path.c_str(), O_WRONLY);
              if (fd < 0) return;
              [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
              ::close(fd);
          }) {}
    ~TPipeWriter() { Release(); }
    void Release() {
        if (!thread_.joinable()) return;
        const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK);
        thread_.join();
        if (fd >= 0) ::close(fd);
    }

private:
    std::filesystem::path path_;
    std::thread thread_;
};

TEST_F(PackToolTest, SettingsThatAreNoRegularFileAreNamedAndNeverWaitedOn) {
    const std::string settings = "[App]\nID=demo.app\nName=Demo\nDirName=web\n";
    std::filesystem::remove(project / "vlm.ini");
    ASSERT_EQ(::mkfifo((project / "vlm.ini").c_str(), 0644), 0);
    {
        TPipeWriter writer(project / "vlm.ini", settings);
        EXPECT_EQ(Build(), 1);
        writer.Release();
    }
    EXPECT_NE(err.str().find("vlm.ini: error: the settings file is a named pipe (FIFO), not a regular file"),
              std::string::npos)
        << err.str();
    EXPECT_FALSE(std::filesystem::exists(output));

    std::filesystem::remove(project / "vlm.ini");
    std::filesystem::create_directory(project / "vlm.ini");
    EXPECT_EQ(Build(), 1);
    EXPECT_NE(err.str().find("vlm.ini: error: the settings file is a folder, not a file"), std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find("'ID' is missing"), std::string::npos) << err.str();
}

TEST_F(PackToolTest, InputsThatAreNoRegularFileAreRefusedWithoutBeingOpened) {
    // Each pipe gets a writer, so that a tool that opened it anyway would read its bytes and
    // fail this test on the message rather than wait.
    const std::filesystem::path pipe = dir / "pipe.exe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    struct TCase {
        std::vector<std::string> Arguments;
        std::string Message;
    };
    const std::vector<TCase> cases = {
        {{"build", project.string(), "-o", output.string(), "--runtime", pipe.string(), "--loader", loader.string()},
         "the runtime '" + pipe.string() + "' is a named pipe (FIFO), not a regular file"},
        {{"build", project.string(), "-o", output.string(), "--runtime", runtime.string(), "--loader", pipe.string()},
         "the loader library '" + pipe.string() + "' is a named pipe (FIFO), not a regular file"},
        {{"build", project.string(), "-o", output.string(), "--runtime", dir.Path().string(), "--loader",
          loader.string()},
         "the runtime '" + dir.Path().string() + "' is a folder, not a file"},
        {{"list", pipe.string()}, "the app '" + pipe.string() + "' is a named pipe (FIFO), not a regular file"},
    };
    for (const TCase& c : cases) {
        TPipeWriter writer(pipe, std::string(runtimeImage.begin(), runtimeImage.end()));
        EXPECT_EQ(Run(c.Arguments), 1) << c.Message;
        writer.Release();
        EXPECT_NE(err.str().find(c.Message), std::string::npos) << err.str();
        EXPECT_FALSE(std::filesystem::exists(output));
    }
}

TEST_F(PackToolTest, UnreadableSettingsSayWhyInsteadOfMissing) {
    // Permission bits do not stop root, so the check runs in a child process that is root no
    // longer (user and group "nobody").
    std::filesystem::permissions(project / "vlm.ini", std::filesystem::perms::none);
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                std::fputs("cannot leave root", stderr);
                std::_Exit(2);
            }
            std::fputs(CheckProject(project).Report("vlm.ini").c_str(), stderr);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "vlm.ini: error: the settings file cannot be read: Permission denied");
}

TEST_F(PackToolTest, RefusesFilesWhoseEntryNamesTheAppCannotTellApart) {
    struct TCase {
        const char* first;
        const char* second;
        const char* entry;
    };
    const TCase cases[] = {
        {"a/b.txt", "a\\b.txt", "web/a/b.txt"},  // a backslash in a file's name becomes a delimiter
        {"X.txt", "x.txt", "web/X.txt"},
        {"Js/Lib.js", "js/lib.js", "web/Js/Lib.js"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.second);
        WriteFile(project / "web" / c.first, "first");
        WriteFile(project / "web" / c.second, "second");
        EXPECT_EQ(Build(), 1);
        EXPECT_NE(err.str().find(std::string("'web/") + c.first + "' and 'web/" + c.second +
                                 "' both become the archive entry '" + c.entry + "'"),
                  std::string::npos)
            << err.str();
        EXPECT_FALSE(std::filesystem::exists(output));
        std::filesystem::remove(project / "web" / c.first);
        std::filesystem::remove(project / "web" / c.second);
    }
    ASSERT_EQ(Build(), 0) << err.str();
}

TEST_F(PackToolTest, LinksLeadingOutOfTheProjectAreNamedAndLeftOut) {
    WriteFile(dir / "secret.txt", "not for the app");
    WriteFile(dir / "elsewhere" / "private.txt", "not for the app either");
    std::filesystem::create_symlink("/etc/passwd", project / "web" / "passwd");
    std::filesystem::create_symlink(dir / "secret.txt", project / "web" / "js" / "secret.txt");
    std::filesystem::create_symlink("../../elsewhere", project / "web" / "elsewhere");
    std::filesystem::create_symlink("../notes.txt", project / "web" / "notes.txt");  // inside: packed
    std::filesystem::create_symlink("js/app.js", project / "web" / "same.js");       // inside: packed
    std::filesystem::remove(project / "vlm-webviewjs");
    std::filesystem::create_symlink(dir / "secret.txt", project / "vlm-webviewjs");

    ASSERT_EQ(Build(), 0) << err.str();
    const std::string warnings = err.str();
    const std::string secret = PathToUtf8(std::filesystem::canonical(dir / "secret.txt"));
    for (const std::string& expected : std::vector<std::string>{
             "warning: 'web/passwd' is a link to '/etc/passwd', outside the project folder; it is left out",
             "warning: 'web/js/secret.txt' is a link to '" + secret + "', outside the project folder",
             "warning: 'web/elsewhere' is a link to '" + PathToUtf8(std::filesystem::canonical(dir / "elsewhere")) +
                 "', outside the project folder",
             "warning: 'vlm-webviewjs' is a link to '" + secret + "', outside the project folder",
         })
        EXPECT_NE(warnings.find(expected), std::string::npos) << expected << "\n" << warnings;

    ASSERT_EQ(Run({"list", output.string()}), 0) << err.str();
    const std::string listing = out.str();
    for (const char* leftOut : {"passwd", "secret.txt", "private.txt", "vlm-webviewjs"})
        EXPECT_EQ(listing.find(leftOut), std::string::npos) << leftOut << "\n" << listing;
    for (const char* packed : {"web/notes.txt", "web/same.js"})
        EXPECT_NE(listing.find(packed), std::string::npos) << packed << "\n" << listing;
}

TEST_F(PackToolTest, WarnsAboutWhatTheRuntimeWouldReadSilently) {
    WriteFile(project / "vlm.ini",
              "[App]\nID=x\nName=Caf\xC3\xA9\nDirName=web\nAllowDebug=true\nWidth=wide\nColour=red\nAllowZoom\n"
              "AllowDebug=1\n[Window]\nWidth=10\n");
    ASSERT_EQ(Build(), 0) << err.str();
    const std::string report = err.str();
    for (const char* expected : {
             "vlm.ini:3: warning: text beyond ASCII without a byte-order mark",
             "vlm.ini:5: warning: 'AllowDebug = true' is not a number and reads as the default 0",
             "vlm.ini:6: warning: 'Width = wide' is not a number and reads as the default 800",
             "vlm.ini:7: warning: unknown key 'Colour' is ignored",
             "vlm.ini:8: warning: 'AllowZoom' has no '='",
             "vlm.ini:9: warning: 'AllowDebug' is set again; this later entry replaces line 5",
             "vlm.ini:10: warning: section [Window] is not read",
         })
        EXPECT_NE(report.find(expected), std::string::npos) << expected << "\n" << report;
    EXPECT_TRUE(std::filesystem::exists(output)) << "warnings do not stop the build";
}

TEST_F(PackToolTest, WithoutALoaderItWarnsAndWithBadArgumentsItShowsUsage) {
    EXPECT_EQ(Run({"build", project.string(), "-o", output.string(), "--runtime", runtime.string()}), 0) << err.str();
    EXPECT_NE(err.str().find("no loader library given"), std::string::npos);
    EXPECT_EQ(Run({"list"}), 2);
    EXPECT_NE(err.str().find("usage:"), std::string::npos);
    EXPECT_EQ(Run({"list", runtime.string()}), 1);
    EXPECT_EQ(Build({"--threads", "many"}), 1);
    EXPECT_NE(err.str().find("--threads needs a number from 1 to 256, not 'many'"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace vellum::pack
