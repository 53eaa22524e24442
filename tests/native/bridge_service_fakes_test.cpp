// The recording fakes that stand in for the desktop must behave as the seams promise, or the
// family tables written against them prove nothing: a registry that is a tree of keys, menus
// that click only what a user could choose, a style lookup that ignores letter case.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "recording_file_dialogs.h"
#include "recording_menus.h"
#include "recording_notifications.h"
#include "recording_registry.h"
#include "recording_shell.h"
#include "recording_styles.h"

namespace vellum {
namespace {

using testing::MenuOutline;
using testing::TRecordingFileDialogs;
using testing::TRecordingMenus;
using testing::TRecordingNotifications;
using testing::TRecordingRegistry;
using testing::TRecordingShell;
using testing::TRecordingStyles;

TRegistryRead Text(const std::string& text) {
    return {TRegistryReadStatus::Text, text};
}
const TRegistryRead kEmpty{};

TEST(RecordingRegistry, WritesCreateTheMissingKeysAndNamesIgnoreLetterCase) {
    TRecordingRegistry registry;
    EXPECT_EQ(registry.ReadString("Software\\Vellum\\Demo", "Greeting"), kEmpty);
    EXPECT_FALSE(registry.KeyExists("Software"));

    EXPECT_EQ(registry.WriteString("Software\\Vellum\\Demo", "Greeting", "hi"), TRegistryWrite::Written);
    EXPECT_TRUE(registry.KeyExists("SOFTWARE\\vellum"));
    EXPECT_EQ(registry.ReadString("software\\VELLUM\\demo", "GREETING"), Text("hi"));
    EXPECT_EQ(registry.ReadString("Software\\Vellum\\Demo", "Other"), kEmpty);
    EXPECT_FALSE(registry.ValueExists("Software\\Vellum", "Greeting"));
    EXPECT_FALSE(registry.KeyExists("Software\\Vellum\\Demo\\Deeper"));
}

TEST(RecordingRegistry, ReadsStopAtTheFirstZeroAndTellOtherTypesApart) {
    TRecordingRegistry registry;
    registry.PutString("App", "Cut", std::string("ab\0cd", 5));
    registry.PutNumber("App", "Count");
    EXPECT_EQ(registry.ReadString("App", "Cut"), Text("ab"));
    EXPECT_EQ(registry.ReadString("App", "Count").Status, TRegistryReadStatus::NotAString);
    EXPECT_TRUE(registry.ValueExists("App", "Count"));

    EXPECT_EQ(registry.WriteString("App", "Count", "42"), TRegistryWrite::Written);
    EXPECT_EQ(registry.ReadString("App", "Count"), Text("42"));

    registry.FailReads = true;
    EXPECT_EQ(registry.ReadString("App", "Count").Status, TRegistryReadStatus::ReadFailed);
    registry.FailStores = true;
    EXPECT_EQ(registry.WriteString("Fresh\\Key", "v", "x"), TRegistryWrite::StoreFailed);
    EXPECT_TRUE(registry.HasKey("Fresh\\Key"));
    EXPECT_EQ(registry.Stored("Fresh\\Key", "v"), std::nullopt);
}

TEST(RecordingRegistry, AReadOnlyKeyExistsButTheValueOperationsCannotOpenIt) {
    TRecordingRegistry registry;
    registry.PutString("Policies\\Locked", "Rule", "1");
    registry.MakeReadOnly("Policies\\Locked");

    EXPECT_TRUE(registry.KeyExists("Policies\\Locked"));
    EXPECT_EQ(registry.ReadString("Policies\\Locked", "Rule"), kEmpty);
    EXPECT_FALSE(registry.ValueExists("Policies\\Locked", "Rule"));
    EXPECT_FALSE(registry.DeleteValue("Policies\\Locked", "Rule"));
    EXPECT_EQ(registry.WriteString("Policies\\Locked", "Rule", "0"), TRegistryWrite::KeyUnavailable);
    EXPECT_EQ(registry.WriteString("Policies\\Locked\\Sub", "Rule", "0"), TRegistryWrite::KeyUnavailable);
    EXPECT_FALSE(registry.HasKey("Policies\\Locked\\Sub"));
    EXPECT_FALSE(registry.DeleteKeyTree("Policies\\Locked"));
    EXPECT_EQ(registry.Stored("Policies\\Locked", "Rule"), "1");
}

TEST(RecordingRegistry, DeletingATreeRemovesEverythingBelowItOnce) {
    TRecordingRegistry registry;
    registry.PutString("App\\One\\Two", "v", "x");
    registry.PutString("App\\Side", "v", "x");
    registry.PutString("Apple", "v", "x");  // shares the first letters, not the key

    EXPECT_FALSE(registry.DeleteKeyTree(""));
    EXPECT_TRUE(registry.DeleteKeyTree("APP"));
    EXPECT_FALSE(registry.HasKey("App\\One\\Two"));
    EXPECT_FALSE(registry.HasKey("App\\Side"));
    EXPECT_FALSE(registry.HasKey("App"));
    EXPECT_TRUE(registry.HasKey("Apple"));
    EXPECT_FALSE(registry.DeleteKeyTree("App"));
}

TEST(RecordingRegistry, AKeyThatCannotBeOpenedKeepsItsPartOfTheTree) {
    TRecordingRegistry registry;
    registry.PutString("App\\Gone", "v", "x");
    registry.PutString("App\\Kept\\Inner", "v", "x");
    registry.MakeReadOnly("App\\Kept");

    EXPECT_FALSE(registry.DeleteKeyTree("App"));
    EXPECT_FALSE(registry.HasKey("App\\Gone"));
    EXPECT_TRUE(registry.HasKey("App\\Kept\\Inner"));
    EXPECT_TRUE(registry.HasKey("App"));
}

TMenuItem Item(std::int32_t id, const std::string& caption) {
    TMenuItem item;
    item.Id = id;
    item.Caption = caption;
    return item;
}
TMenuItem Disabled(TMenuItem item) {
    item.Enabled = false;
    return item;
}
TMenuItem Submenu(TMenuItem item, std::vector<TMenuItem> items) {
    item.Clickable = false;
    item.Items = std::move(items);
    return item;
}

std::vector<TMenuItem> FileMenu() {
    return {Submenu(Item(1, "&File"), {Item(2, "Open"), Item(3, "-"), Disabled(Item(4, "Quit"))}),
            Submenu(Item(5, "Help"), {}), Disabled(Submenu(Item(7, "Tools"), {Item(8, "Run")})), Item(6, "About")};
}

TEST(RecordingMenus, OnlyItemsAUserCouldChooseRaiseTheirClick) {
    TRecordingMenus menus;
    std::vector<std::int32_t> clicked;
    menus.Main.OnItemClick = [&clicked](std::int32_t id) { clicked.push_back(id); };
    menus.Main.SetItems(FileMenu());
    EXPECT_EQ(MenuOutline(menus.Main.Items()), "1:&File{2:Open,3:-,4:Quit(off)},5:Help{},7:Tools(off){8:Run},6:About");

    EXPECT_FALSE(menus.Main.Choose({3}));  // no menu bar yet
    menus.ShowMainMenuBar();
    EXPECT_TRUE(menus.Main.Choose({0, 0}));
    EXPECT_FALSE(menus.Main.Choose({0}));     // opens its submenu
    EXPECT_FALSE(menus.Main.Choose({0, 1}));  // separator
    EXPECT_FALSE(menus.Main.Choose({0, 2}));  // disabled
    EXPECT_FALSE(menus.Main.Choose({1}));     // given no sub-items
    EXPECT_FALSE(menus.Main.Choose({2, 0}));  // below a disabled item
    EXPECT_TRUE(menus.Main.Choose({3}));
    EXPECT_EQ(clicked, (std::vector<std::int32_t>{2, 6}));
}

TEST(RecordingMenus, UpdatesChangeOnlyWhatTheyGiveAndImagesAreCheckedIndexes) {
    TRecordingMenus menus;
    menus.Main.SetItems(FileMenu());
    EXPECT_EQ(menus.Main.AddImage({1, 2}), 0);
    EXPECT_EQ(menus.Main.AddImage({3}), 1);
    TMenuItemChange caption;
    caption.Caption = "Exit";
    menus.Main.UpdateItem({0, 2}, caption);
    TMenuItemChange enabledWithImage;
    enabledWithImage.Enabled = true;
    enabledWithImage.ImageIndex = 1;
    menus.Main.UpdateItem({0, 2}, enabledWithImage);
    EXPECT_EQ(MenuOutline(menus.Main.Items()), "1:&File{2:Open,3:-,4:Exit#1},5:Help{},7:Tools(off){8:Run},6:About");

    EXPECT_THROW(menus.Main.UpdateItem({0, 9}, caption), std::out_of_range);
    TMenuItemChange missingImage;
    missingImage.ImageIndex = 2;
    EXPECT_THROW(menus.Main.UpdateItem({0, 0}, missingImage), std::out_of_range);
    TMenuItem clickableWithSubItems = Item(9, "x");
    clickableWithSubItems.Items = {Item(10, "y")};
    EXPECT_THROW(menus.Main.SetItems({clickableWithSubItems}), std::invalid_argument);

    menus.Main.SetItems({});
    menus.Main.ClearImages();
    menus.Main.IsImage = [](const std::vector<std::uint8_t>& bytes) { return bytes.size() > 1; };
    EXPECT_THROW(menus.Main.AddImage({7}), EVellumError);
    EXPECT_EQ(menus.Main.AddImage({7, 7}), 0);
    EXPECT_EQ(menus.Main.Images, (std::vector<std::vector<std::uint8_t>>{{7, 7}}));
    EXPECT_TRUE(menus.Tray.Images.empty());
}

TEST(RecordingMenus, TheTrayMenuAndIconAnswerOnlyWhileTheIconIsShown) {
    TRecordingMenus menus;
    const ITrayService& tray = menus;
    int iconClicks = 0;
    std::vector<std::int32_t> clicked;
    menus.OnTrayIconClick = [&iconClicks] { ++iconClicks; };
    menus.Tray.OnItemClick = [&clicked](std::int32_t id) { clicked.push_back(id); };
    menus.Tray.SetItems({Item(42, "Show")});

    EXPECT_FALSE(menus.ClickTrayIcon());
    EXPECT_FALSE(menus.Tray.Choose({0}));
    EXPECT_TRUE(menus.SetIconVisible(true));
    EXPECT_TRUE(tray.IconVisible());
    EXPECT_TRUE(menus.ClickTrayIcon());
    EXPECT_TRUE(menus.Tray.Choose({0}));

    menus.ShellRefusesHiding = true;
    EXPECT_FALSE(menus.SetIconVisible(false));
    EXPECT_TRUE(tray.IconVisible());
    menus.ShellRefusesHiding = false;
    EXPECT_TRUE(menus.SetIconVisible(false));
    EXPECT_FALSE(tray.IconVisible());
    EXPECT_TRUE(menus.SetIconVisible(false));
    EXPECT_FALSE(menus.ClickTrayIcon());
    EXPECT_EQ(iconClicks, 1);
    EXPECT_EQ(clicked, std::vector<std::int32_t>{42});
}

TEST(RecordingStyles, SelectionIgnoresLetterCaseAndKeepsTheCatalogueSpelling) {
    TRecordingStyles styles;
    styles.TrySelect("windows10 DARK");
    EXPECT_EQ(styles.ActiveName(), "Windows10 Dark");
    styles.TrySelect("Windows10 Darker");
    styles.TrySelect("");
    EXPECT_EQ(styles.ActiveName(), "Windows10 Dark");
    styles.TrySelect("WINDOWS");
    EXPECT_EQ(styles.ActiveName(), "Windows");
}

TEST(RecordingNotifications, AClickDeliversTheNameOfAShownNotification) {
    TRecordingNotifications notifications;
    std::vector<std::string> names;
    notifications.OnClick = [&names](const std::string& name) { names.push_back(name); };
    EXPECT_TRUE(notifications.Show({"first", "", ""}));
    EXPECT_TRUE(notifications.Show({"say \"hi\"", "T", "B"}));
    notifications.Available = false;
    EXPECT_FALSE(notifications.Show({"unseen", "", ""}));

    notifications.Click(1);
    EXPECT_THROW(notifications.Click(2), std::out_of_range);
    EXPECT_EQ(names, std::vector<std::string>{"say \"hi\""});
    EXPECT_EQ(notifications.Shown.size(), 2u);
}

TEST(RecordingFileDialogs, ScriptedChoicesAnswerDialogsInOrderThenTheUserCancels) {
    TRecordingFileDialogs dialogs;
    dialogs.Choices = {"C:\\a.txt", "C:\\docs"};
    std::size_t shownWhenLoopRan = 0;
    dialogs.WhileShown = [&] { shownWhenLoopRan = dialogs.Calls.size(); };

    EXPECT_EQ(dialogs.OpenFile({"Open file", "", {{"Text files", "*.txt"}, {"All", "*.*"}}}),
              "C:\\a.txt");
    EXPECT_EQ(shownWhenLoopRan, 1u);
    EXPECT_EQ(dialogs.SelectFolder("Pick"), "C:\\docs");
    EXPECT_EQ(dialogs.SaveFile({"Save file", "b.txt", {}}, true), "");
    EXPECT_EQ(dialogs.Calls, (std::vector<std::string>{
                                 "OpenFile(title=Open file, name=, types=[Text files:*.txt, All:*.*])",
                                 "SelectFolder(title=Pick)",
                                 "SaveFile(title=Save file, name=b.txt, types=[], overwritePrompt)",
                             }));
}

// The shell fake only answers what a test sets, so no test above makes one; this fails when the
// seam gains an operation the fake does not implement yet.
static_assert(!std::is_abstract_v<TRecordingShell>);

}  // namespace
}  // namespace vellum
