// What a preview serves from the project folder, and how it tells that the folder changed.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/browser_form/preview_files.h"
#include "test_files.h"

namespace vellum {
namespace {

using vellum::testing::WriteFile;

TEST(PreviewFilesTest, ServesOnlyFilesInsideTheFolder) {
    vellum::testing::TTempDir dir;
    const auto pages = dir / "project" / "app";
    WriteFile(pages / "index.html", "<p>");
    WriteFile(pages / "js" / "my app.js", "1");
    WriteFile(dir / "project" / "vlm.ini", "[App]");
    WriteFile(dir / "secret.txt", "secret");
    std::filesystem::create_symlink(dir / "secret.txt", pages / "out.txt");
    std::filesystem::create_symlink(pages / "index.html", pages / "home.html");
    std::filesystem::create_directory_symlink(dir.Path(), pages / "up");

    struct TCase {
        const char* Path;
        const char* Served;  // relative to the pages folder; nullptr: refused
    };
    for (const TCase& c : {
             TCase{"index.html", "index.html"},
             TCase{"js/my app.js", "js/my app.js"},
             TCase{"./js//my app.js", "js/my app.js"},
             TCase{"home.html", "index.html"},  // a link that stays inside
             TCase{"../vlm.ini", nullptr},
             TCase{"js/../../vlm.ini", nullptr},
             TCase{"js/..", nullptr},
             TCase{"..\\vlm.ini", nullptr},
             TCase{"C:/Windows/win.ini", nullptr},
             TCase{"out.txt", nullptr},         // a link that leads out
             TCase{"up/secret.txt", nullptr},   // through a linked folder
             TCase{"js", nullptr},              // a folder is no page
             TCase{"", nullptr},
             TCase{"missing.html", nullptr},
         }) {
        const auto served = ResolvePreviewFile(pages, c.Path);
        if (c.Served == nullptr) {
            EXPECT_FALSE(served) << c.Path << " gave " << served->string();
        } else {
            ASSERT_TRUE(served) << c.Path;
            EXPECT_EQ(*served, std::filesystem::canonical(pages / c.Served)) << c.Path;
        }
    }
    EXPECT_FALSE(ResolvePreviewFile(dir / "no-such-folder", "index.html"));
}

TEST(PreviewFilesTest, TheWatchReportsEachChangeOnce) {
    vellum::testing::TTempDir dir;
    WriteFile(dir / "app" / "index.html", "one");
    TFolderWatch watch(dir.Path());
    EXPECT_FALSE(watch.Changed()) << "nothing changed yet";

    struct TStep {
        const char* What;
        std::function<void()> Change;
    };
    const std::vector<TStep> steps = {
        {"a page rewritten", [&] { WriteFile(dir / "app" / "index.html", "two!"); }},
        {"a file added in a new folder", [&] { WriteFile(dir / "app" / "css" / "a.css", "p{}"); }},
        {"a file renamed", [&] { std::filesystem::rename(dir / "app" / "css" / "a.css", dir / "app" / "css" / "b.css"); }},
        {"a file removed", [&] { std::filesystem::remove(dir / "app" / "css" / "b.css"); }},
        {"the settings edited", [&] { WriteFile(dir / "vlm.ini", "[App]\n"); }},
    };
    for (const TStep& step : steps) {
        step.Change();
        EXPECT_TRUE(watch.Changed()) << step.What;
        EXPECT_FALSE(watch.Changed()) << step.What << ": reported once";
    }
}

TEST(PreviewFilesTest, ASnapshotLooksAtABoundedNumberOfEntries) {
    vellum::testing::TTempDir dir;
    for (int i = 0; i < 5; ++i) WriteFile(dir / ("f" + std::to_string(i)), "x");
    EXPECT_EQ(TFolderSnapshot::Take(dir.Path(), 3), TFolderSnapshot::Take(dir.Path(), 3));
    EXPECT_NE(TFolderSnapshot::Take(dir.Path(), 3), TFolderSnapshot::Take(dir.Path(), 5));
}

}  // namespace
}  // namespace vellum
