// The Linux runtime's own rules that need no display: the single-instance lock and where the
// data folder lives.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/browser_form/instance_parameters.h"
#include "platform/posix/single_instance_lock.h"
#include "platform/posix/xdg_data_home.h"
#include "test_files.h"

namespace vellum {
namespace {

using TOutcome = TSingleInstanceLock::TOutcome;

TEST(SingleInstanceLock, TheFirstHolderKeepsItUntilItLetsGo) {
    testing::TTempDir dir;
    const std::string path = SingleInstanceLockPath(dir.Path().string() + "/");
    EXPECT_EQ(path, dir.Path().string() + "/instance.lock");

    TSingleInstanceLock first, second;
    EXPECT_EQ(first.Acquire(path), TOutcome::Acquired);
    EXPECT_TRUE(first.Held());
    // flock locks belong to the open file, so a second open in this process is refused as
    // another process's would be.
    EXPECT_EQ(second.Acquire(path), TOutcome::HeldElsewhere);
    EXPECT_FALSE(second.Held());

    // Another process sees the same.
    const pid_t child = fork();
    if (child == 0) {
        TSingleInstanceLock other;
        _exit(other.Acquire(path) == TOutcome::HeldElsewhere ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    first.Release();
    EXPECT_EQ(second.Acquire(path), TOutcome::Acquired);
}

TEST(SingleInstanceLock, IsDroppedWhenItsProcessEndsHoweverItEnds) {
    testing::TTempDir dir;
    const std::string path = SingleInstanceLockPath(dir.Path().string() + "/");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        TSingleInstanceLock held;
        const char outcome = held.Acquire(path) == TOutcome::Acquired ? 'y' : 'n';
        (void)!write(ready[1], &outcome, 1);
        pause();  // killed while holding it
        _exit(0);
    }
    char outcome = 0;
    ASSERT_EQ(read(ready[0], &outcome, 1), 1);
    ASSERT_EQ(outcome, 'y');
    TSingleInstanceLock mine;
    EXPECT_EQ(mine.Acquire(path), TOutcome::HeldElsewhere);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(mine.Acquire(path), TOutcome::Acquired);
    close(ready[0]);
    close(ready[1]);
}

TEST(SingleInstanceLock, AFileThatCannotBeOpenedIsAFailureNotAnotherInstance) {
    testing::TTempDir dir;
    TSingleInstanceLock lock;
    EXPECT_EQ(lock.Acquire((dir / "missing-folder" / "instance.lock").string()), TOutcome::Failed);
    EXPECT_FALSE(lock.Held());
}

TEST(XdgDataHome, IsTheAbsoluteXdgFolderElseTheHomesLocalShare) {
    struct TCase {
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const std::vector<TCase> cases = {
        {nullptr, "/home/ann", "/home/ann/.local/share/"},
        {"", "/home/ann", "/home/ann/.local/share/"},
        {"/data/ann", "/home/ann", "/data/ann/"},
        {"/data/ann/", "/home/ann", "/data/ann/"},
        {"relative/share", "/home/ann", "/home/ann/.local/share/"},  // ignored, as the rules ask
        {nullptr, "/home/ann/", "/home/ann/.local/share/"},
        {nullptr, "/", "/.local/share/"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.xdg ? c.xdg : "(unset)") + " " + c.home);
        EXPECT_EQ(XdgDataHome(c.xdg, c.home), c.expected);
    }
}

}  // namespace
}  // namespace vellum

namespace vellum {
namespace {

TEST(InstanceParameters, GiveBackTheFormsTwoArgumentsWhateverTheAddressHolds) {
    struct TCase {
        const char* parameters;
        std::vector<std::string> expected;
    };
    const std::vector<TCase> cases = {
        {"\"com.app\" \"file:///page2.html\"", {"com.app", "file:///page2.html"}},
        {"\"com.app\" \"file:///a b.html?x=1&y=$(rm -rf ~)\"", {"com.app", "file:///a b.html?x=1&y=$(rm -rf ~)"}},
        {"\"com.app\" \"file:///say \"hi\" \".html\"", {"com.app", "file:///say \"hi\" \".html"}},
        {"\"com.app\" \"\"", {"com.app", ""}},
        {"plain words", {"plain", "words"}},
        {"\"unclosed", {"unclosed"}},
        {"", {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.parameters);
        EXPECT_EQ(SplitInstanceParameters(c.parameters), c.expected);
    }
}

}  // namespace
}  // namespace vellum
