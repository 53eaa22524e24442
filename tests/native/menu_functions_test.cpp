// The main menu and tray menu family on the recording menus: the page's JSON to items, the
// rebuild rule, item updates, images, clicks as page events and the tray icon.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bridge/menu_building.h"
#include "bridge/menu_images.h"
#include "bridge/tray_tooltip.h"
#include "bridge_fixture.h"
#include "core/stream/stream.h"
#include "test_archives.h"
#include "test_files.h"

namespace vellum::testing {
namespace {

using TCalls = std::vector<std::string>;

// The items text as a page sends it: the JSON of its array, itself as a JSON string.
std::string ItemsData(const std::string& itemsJson) {
    return nlohmann::json{{"items", itemsJson}}.dump();
}

class MenuFunctions : public TBridgeFixture {
protected:
    void SetUp() override {
        executablePath = (folder / "app" / "Hello.exe").string();
        std::filesystem::create_directories(folder / "app");
        CreateModule();
    }
    std::vector<std::string> SetMain(const std::string& itemsJson) { return Send(Request(12001, ItemsData(itemsJson))); }
    std::vector<std::string> SetTray(const std::string& itemsJson) { return Send(Request(14003, ItemsData(itemsJson))); }
    std::string Main() const { return MenuOutline(menus.Main.Items()); }
    std::string Tray() const { return MenuOutline(menus.Tray.Items()); }
    // Opens the fixture's archive on these entries (password "pw").
    void UseArchive(const std::vector<TArchiveFile>& files) {
        archiveStream = std::make_unique<TMemoryStream>(MakeArchive(files, "pw"));
        archive.SetPassword("pw");
        archive.Open(*archiveStream);
    }

    TTempDir folder;
    std::unique_ptr<TMemoryStream> archiveStream;
};

TEST_F(MenuFunctions, ItemsAreBuiltFromTheirKeysByThePresenceRules) {
    struct TCase {
        const char* Items;
        const char* Outline;
    };
    const TCase cases[] = {
        {R"([{"id":"7","caption":"Seven"},{"id":7,"caption":"Also seven"}])", "7:Seven,7:Also seven"},
        {R"([{"id":7.5,"caption":"a"},{"id":"x","caption":"b"},{"id":"4294967296","caption":"c"},{"id":"-1","caption":"d"}])",
         "0:a,0:b,0:c,-1:d"},
        {R"([{"id":" 12","caption":"blank first"},{"id":"$1F","caption":"hex"},{"id":"12 ","caption":"blank after"}])",
         "12:blank first,31:hex,0:blank after"},
        {R"([{"id":1,"caption":"&File","items":[{"id":2,"caption":"&Open"},{"id":3,"caption":"-"},{"id":4,"caption":"E&xit"}]}])",
         "1:&File{2:&Open,3:-,4:E&xit}"},
        {R"([{"id":1,"caption":null},{"id":true,"caption":12},{"id":2,"caption":false}])", "1:null,0:12,2:false"},
        {R"([{"id":1,"caption":"a","enabled":false},{"id":2,"caption":"b","enabled":"FALSE"},{"id":3,"caption":"c","enabled":0},)"
         R"({"id":4,"caption":"d","enabled":"0"},{"id":5,"caption":"e","enabled":"True"},{"id":6,"caption":"f","enabled":-2.5}])",
         "1:a(off),2:b(off),3:c(off),4:d(off),5:e,6:f"},
        {R"([{"id":1,"caption":"Empty","items":[]},{"id":2,"caption":"x","other":{"a":1},"enabled":{"a":1},"image":[1]}])",
         "1:Empty{},2:x"},
        {R"([{"id":1,"caption":"a","items":[{"id":2,"caption":"b","items":[{"id":3,"caption":"c","items":[{"id":4,"caption":"d"}]}]}]}])",
         "1:a{2:b{3:c{4:d}}}"},
    };
    for (const TCase& c : cases) {
        ASSERT_EQ(SetMain("[]"), TCalls{Success("true")});
        EXPECT_EQ(SetMain(c.Items), TCalls{Success("true")}) << c.Items;
        EXPECT_EQ(Main(), c.Outline) << c.Items;
    }
    EXPECT_TRUE(menus.MenuBarShown);
    EXPECT_TRUE(menus.Tray.Items().empty());
}

TEST_F(MenuFunctions, AFilledMenuIsRebuiltOnlyAfterAnEmptyArray) {
    WriteFile(folder / "app" / "a.png", BytesOf("png"));
    EXPECT_EQ(SetTray("[]"), TCalls{Success("true")}) << "an empty array on an empty menu";
    EXPECT_EQ(SetTray(R"([{"id":1,"caption":"Old","image":"a.png"}])"), TCalls{Success("true")});
    EXPECT_EQ(SetTray(R"([{"id":2,"caption":"New"}])"), TCalls{Success("true")});
    EXPECT_EQ(Tray(), "1:Old#0") << "a filled menu stays as it is";
    EXPECT_EQ(SetTray("[]"), TCalls{Success("true")});
    EXPECT_EQ(Tray(), "");
    EXPECT_TRUE(menus.Tray.Images.empty()) << "rebuilding empties the images too";
    EXPECT_EQ(SetTray(R"([{"id":2,"caption":"New"}])"), TCalls{Success("true")});
    EXPECT_EQ(Tray(), "2:New");
    EXPECT_FALSE(menus.MenuBarShown) << "the tray menu never becomes the menu bar";
}

TEST_F(MenuFunctions, FailuresAnswerTheirTextAndEmptyTheMenuAsTheyShould) {
    WriteFile(folder / "app" / "a.png", BytesOf("png"));
    struct TCase {
        std::string Data;
        std::string Answer;
        const char* Outline;  // the menu afterwards
        std::size_t Images;
    };
    const std::string filled = R"([{"id":1,"caption":"Old","image":"a.png"}])";
    const TCase cases[] = {
        {"{}", Failure("\"Missing menu items\""), "1:Old#0", 1},
        {R"({"items":""})", Failure("\"Missing menu items\""), "1:Old#0", 1},
        {R"({"items":null})", Failure("\"Missing menu items\""), "1:Old#0", 1},
        {ItemsData("not json"), Failure("\"Wrong menu items JSON\""), "", 1},
        {ItemsData(R"({"id":1,"caption":"object"})"), Failure("\"Wrong menu items JSON\""), "", 1},
        {R"({"items":7})", Failure("\"Wrong menu items JSON\""), "", 1},
    };
    for (const TCase& c : cases) {
        SetMain("[]");
        ASSERT_EQ(SetMain(filled), TCalls{Success("true")});
        EXPECT_EQ(Send(Request(12001, c.Data)), TCalls{c.Answer}) << c.Data;
        EXPECT_EQ(Main(), c.Outline) << c.Data;
        EXPECT_EQ(menus.Main.Images.size(), c.Images) << c.Data << ": images leave only when the menu is rebuilt";
    }
    const char* const wrongItems[] = {
        R"([{"id":1,"caption":"a"},{"caption":"no id"}])",
        R"([{"id":1,"caption":"a"},{"id":2}])",
        R"([{"id":1,"caption":{"text":"an object counts as absent"}}])",
        R"([{"id":[1],"caption":"an array counts as absent"}])",
        R"([{"id":1,"caption":"a","items":{"id":2,"caption":"b"}}])",
        R"([{"id":1,"caption":"a","items":null}])",
        R"([{"id":1,"caption":"a","items":[{"id":2,"caption":"b","items":[{"id":3}]}]},{"id":4,"caption":"never built"}])",
    };
    for (const char* items : wrongItems) {
        SetMain("[]");
        EXPECT_EQ(SetMain(items), TCalls{Failure("\"Wrong menu item JSON\"")}) << items;
        EXPECT_EQ(Main(), "") << items;
        EXPECT_EQ(SetMain(R"([{"id":9,"caption":"next"}])"), TCalls{Success("true")}) << "the emptied menu is rebuilt";
    }
}

TEST_F(MenuFunctions, ConversionErrorsGiveNoAnswerAndKeepWhatWasBuiltBefore) {
    struct TCase {
        std::string Data;
        const char* Outline;
    };
    const TCase cases[] = {
        // The argument itself is not text: the menu stays as it was.
        {R"({"items":[{"id":1,"caption":"array"}]})", "5:Before"},
        {R"({"items":{"a":1}})", "5:Before"},
        // Built item by item: what came before the faulty element or value stays.
        {ItemsData(R"([{"id":1,"caption":"a"},7,{"id":3,"caption":"c"}])"), "1:a"},
        {ItemsData(R"([{"id":1,"caption":"a"},{"id":2,"caption":"b","enabled":null}])"), "1:a"},
        {ItemsData(R"([{"id":1,"caption":"a"},{"id":2,"caption":"b","enabled":"maybe"}])"), "1:a"},
        {ItemsData(R"([{"id":1,"caption":"a","items":[{"id":2,"caption":"b"},{"id":3,"caption":"c","enabled":""}]}])"),
         "1:a{2:b}"},
    };
    for (const TCase& c : cases) {
        SetMain("[]");
        ASSERT_EQ(SetMain(R"([{"id":5,"caption":"Before"}])"), TCalls{Success("true")});
        if (c.Outline != std::string("5:Before")) SetMain("[]");
        const std::size_t answersBefore = page.Answers.size();
        const std::optional<std::string> raised = RaisedBy(Request(12001, c.Data));
        EXPECT_TRUE(raised.has_value()) << c.Data;
        EXPECT_EQ(page.Answers.size(), answersBefore) << c.Data << ": no answer";
        EXPECT_EQ(Main(), c.Outline) << c.Data;
        EXPECT_EQ(Send(Request(10001)).size(), 1u) << "the bridge answers the next request";
    }
}

TEST_F(MenuFunctions, HostileMenusAreRefusedOrBuiltWithoutHarm) {
    // 1,000 levels: deeper than any menu is built.
    std::string deep;
    for (int i = 0; i < 1000; ++i) deep += R"([{"id":1,"caption":"level","items":)";
    deep += "[]";
    for (int i = 0; i < 1000; ++i) deep += "}]";
    EXPECT_EQ(SetMain(deep), TCalls{Failure("\"Wrong menu item JSON\"")});
    EXPECT_EQ(Main(), "");
    // Arrays nested a million deep are read without recursion and refused as elements.
    const std::string brackets = std::string(1'000'000, '[') + std::string(1'000'000, ']');
    EXPECT_TRUE(RaisedBy(Request(12001, ItemsData(brackets))).has_value());
    // Exactly as deep as allowed still builds.
    std::string allowed;
    for (int i = 0; i < kMaxMenuDepth; ++i) allowed += R"([{"id":1,"caption":"l","items":)";
    allowed += "[]";
    for (int i = 0; i < kMaxMenuDepth; ++i) allowed += "}]";
    SetMain("[]");
    EXPECT_EQ(SetMain(allowed), TCalls{Success("true")});

    nlohmann::json many = nlohmann::json::array();
    for (int i = 0; i < 10'000; ++i) many.push_back({{"id", i}, {"caption", "Item " + std::to_string(i)}});
    const std::string huge(1 << 20, 'W');
    many.push_back({{"id", "99999999999999999999"}, {"caption", huge}});
    SetTray("[]");
    EXPECT_EQ(SetTray(many.dump()), TCalls{Success("true")});
    ASSERT_EQ(menus.Tray.Items().size(), 10'001u);
    EXPECT_EQ(menus.Tray.Items().back().Caption, huge);
    EXPECT_EQ(menus.Tray.Items().back().Id, 0);
    EXPECT_EQ(menus.Tray.Items()[9'999].Id, 9'999);
}

TEST_F(MenuFunctions, ImagesComeFromTheArchiveThenBesideTheExecutableThenThePath) {
    UseArchive({{"app/img/Open.png", BytesOf("archive open")}, {"app/img/save.png", BytesOf("archive save")}});
    WriteFile(folder / "app" / "app\\img\\Open.png", BytesOf("beside, backslashes"));
    WriteFile(folder / "app" / "beside.png", BytesOf("beside"));
    WriteFile(folder / "elsewhere.png", BytesOf("absolute"));
    nlohmann::json items = nlohmann::json::array({
        {{"id", 1}, {"caption", "a"}, {"image", "APP/IMG/open.PNG"}},
        {{"id", 2}, {"caption", "b"}, {"image", "app\\img\\Open.png"}},
        {{"id", 3}, {"caption", "c"}, {"image", "beside.png"}},
        {{"id", 4}, {"caption", "d"}, {"image", (folder / "elsewhere.png").string()}},
        {{"id", 5}, {"caption", "e"}, {"image", "missing.png"}},
        {{"id", 6}, {"caption", "f"}, {"image", (folder / "app").string()}},
    });
    EXPECT_EQ(SetMain(items.dump()), TCalls{Success("true")});
    EXPECT_EQ(Main(), "1:a#0,2:b#1,3:c#2,4:d#3,5:e,6:f") << "a missing file and a folder add no image";
    const std::vector<TBytes> expected = {BytesOf("archive open"), BytesOf("beside, backslashes"), BytesOf("beside"),
                                          BytesOf("absolute")};
    EXPECT_EQ(menus.Main.Images, expected);
}

TEST_F(MenuFunctions, ImagesThatDoNotDecodeOrAreTooLargeRaiseAndKeepWhatCameBefore) {
    WriteFile(folder / "app" / "good.png", BytesOf("good"));
    WriteFile(folder / "app" / "text.png", BytesOf("this is no image"));
    // Sparse files: their size is what counts.
    WriteFile(folder / "app" / "50mb.bmp", BytesOf("good"));
    std::filesystem::resize_file(folder / "app" / "50mb.bmp", 50u << 20);
    WriteFile(folder / "app" / "toolarge.bmp", BytesOf("good"));
    std::filesystem::resize_file(folder / "app" / "toolarge.bmp", kMaxMenuImageBytes + 1);
    menus.Main.IsImage = [](const TBytes& bytes) { return bytes.size() >= 4 && bytes[0] == 'g'; };

    EXPECT_TRUE(RaisedBy(Request(12001, ItemsData(R"([{"id":1,"caption":"a","image":"good.png"},)"
                                                  R"({"id":2,"caption":"b","image":"text.png"}])")))
                    .has_value());
    EXPECT_EQ(Main(), "1:a#0");
    SetMain("[]");
    EXPECT_EQ(SetMain(R"([{"id":1,"caption":"big","image":"50mb.bmp"}])"), TCalls{Success("true")});
    ASSERT_EQ(menus.Main.Images.size(), 1u);
    EXPECT_EQ(menus.Main.Images[0].size(), 50u << 20);
    EXPECT_EQ(RaisedBy(Request(12002, R"({"id":1,"image":"toolarge.bmp"})")),
              std::optional<std::string>("The menu image 'toolarge.bmp' is too large"));
    EXPECT_EQ(menus.Main.Images.size(), 1u);
}

TEST_F(MenuFunctions, UpdatesFindTheFirstItemDepthFirstAndChangeOnlyWhatIsGiven) {
    WriteFile(folder / "app" / "a.png", BytesOf("a"));
    EXPECT_EQ(Send(Request(12002, R"({"id":1})")), TCalls{Failure("\"No menu items\"")});
    SetMain(R"([{"id":1,"caption":"File","items":[{"id":2,"caption":"Sub","items":[{"id":3,"caption":"Deeper","items":)"
            R"([{"id":4,"caption":"Three down"}]}]},{"id":5,"caption":"Twin"}]},{"id":5,"caption":"Twin too"}])");
    struct TCase {
        std::string Data;
        std::string Answer;
        const char* Outline;
    };
    const TCase cases[] = {
        {"{}", Failure("\"Missing item ID\""), nullptr},
        {R"({"id":""})", Failure("\"Missing item ID\""), nullptr},
        {R"({"id":"x"})", Failure("\"Wrong item ID\""), nullptr},
        {R"({"id":"-1"})", Failure("\"Wrong item ID\""), nullptr},
        {R"({"id":1.5})", Failure("\"Wrong item ID\""), nullptr},
        {R"({"id":"4294967296"})", Failure("\"Wrong item ID\""), nullptr},
        {R"({"id":99,"caption":"nobody"})", Success("true"), nullptr},
        {R"({"id":4,"caption":"Found"})", Success("true"), "1:File{2:Sub{3:Deeper{4:Found}},5:Twin},5:Twin too"},
        {R"({"id":5,"enabled":false})", Success("true"), "1:File{2:Sub{3:Deeper{4:Found}},5:Twin(off)},5:Twin too"},
        {R"({"id":"5","caption":"","enabled":"TRUE","image":"a.png"})", Success("true"),
         "1:File{2:Sub{3:Deeper{4:Found}},5:Twin#0},5:Twin too"},
        {R"({"id":5,"caption":null,"image":"missing.png"})", Success("true"),
         "1:File{2:Sub{3:Deeper{4:Found}},5:Twin#0},5:Twin too"},
        {R"({"id":1,"image":"a.png"})", Success("true"), "1:File#1{2:Sub{3:Deeper{4:Found}},5:Twin#0},5:Twin too"},
    };
    std::string outline = Main();
    for (const TCase& c : cases) {
        EXPECT_EQ(Send(Request(12002, c.Data)), TCalls{c.Answer}) << c.Data;
        if (c.Outline != nullptr) outline = c.Outline;
        EXPECT_EQ(Main(), outline) << c.Data;
    }
    EXPECT_EQ(menus.Main.Images.size(), 2u) << "each loaded image adds one";
    // A conversion error after the caption: the caption has changed, no answer.
    EXPECT_TRUE(RaisedBy(Request(12002, R"({"id":4,"caption":"Changed","enabled":"maybe"})")).has_value());
    EXPECT_EQ(menus.Main.Items()[0].Items[0].Items[0].Items[0].Caption, "Changed");
    EXPECT_TRUE(RaisedBy(Request(12002, R"({"id":4,"caption":{"a":1}})")).has_value());
    EXPECT_EQ(Send(Request(14004, R"({"id":4})")), TCalls{Failure("\"No menu items\"")}) << "each menu is its own";
}

TEST_F(MenuFunctions, ClicksRaiseThePageEventsWithTheIdentifierInDecimal) {
    SetMain(R"([{"id":1,"caption":"&File","items":[{"id":42,"caption":"Answer"},{"id":"-7","caption":"Negative"},)"
            R"({"id":"$10","caption":"Hex"}]}])");
    // The tray menu is set and changed while the icon is hidden; it opens once the icon shows.
    SetTray(R"([{"id":3,"caption":"Show"},{"id":4,"caption":"Quit","enabled":false}])");
    EXPECT_EQ(Send(Request(14004, R"({"id":4,"enabled":true})")), TCalls{Success("true")});
    EXPECT_FALSE(menus.Tray.Choose({1}));
    EXPECT_FALSE(menus.ClickTrayIcon());
    EXPECT_TRUE(menus.Main.Choose({0, 0}));
    EXPECT_TRUE(menus.Main.Choose({0, 1}));
    EXPECT_TRUE(menus.Main.Choose({0, 2}));
    EXPECT_FALSE(menus.Main.Choose({0})) << "an item with sub-items raises nothing";
    EXPECT_EQ(Send(Request(14001)), TCalls{Success("true")});
    EXPECT_TRUE(menus.Tray.Choose({1}));
    EXPECT_TRUE(menus.ClickTrayIcon());
    EXPECT_EQ(page.Scripts, (TCalls{R"(vlm.events.onMainMenuItemClick("42");)", R"(vlm.events.onMainMenuItemClick("-7");)",
                                    R"(vlm.events.onMainMenuItemClick("16");)", R"(vlm.events.onTrayMenuItemClick("4");)",
                                    "vlm.events.onTrayIconClick();"}));
    module.reset();
    EXPECT_FALSE(menus.ClickTrayIcon()) << "a module that is gone is not called";
    EXPECT_FALSE(menus.Main.Choose({0, 0}));
}

TEST_F(MenuFunctions, TheTrayIconShowsHidesAndSteersTheWindowState) {
    EXPECT_EQ(menus.Tooltip, "Hello");
    EXPECT_EQ(Send(Request(14002)), TCalls{Success("true")}) << "hiding a hidden icon";
    EXPECT_EQ(Send(Request(14001)), TCalls{Success("true")});
    EXPECT_EQ(Send(Request(14001)), TCalls{Success("true")}) << "showing a shown icon";
    Send(Request(60004, R"({"state":"minimized"})"));
    menus.ShellRefusesHiding = true;
    EXPECT_EQ(RaisedBy(Request(14002)), std::optional<std::string>("Cannot remove shell notification icon"));
    EXPECT_TRUE(menus.IconShown);
    menus.ShellRefusesHiding = false;
    EXPECT_EQ(Send(Request(14002)), TCalls{Success("true")});
    Send(Request(60004, R"({"state":"minimized"})"));
    EXPECT_EQ(window.Calls, (TCalls{"SetState(minimized)", "Hide", "SetState(minimized)"}));
    EXPECT_EQ(page.Answers.size(), 6u);
}

TEST_F(MenuFunctions, PreviewModeShowsTheBoxOfEachFunctionAndAnswersNothing) {
    module->ExeZip = nullptr;
    const std::pair<int, const char*> functions[] = {
        {12001, "Calls to vlm.mainMenu.setItems() works only at runtime."},
        {12002, "Calls to vlm.mainMenu.updateItem() works only at runtime."},
        {14001, "Calls to vlm.trayMenu.showIcon() works only at runtime."},
        {14002, "Calls to vlm.trayMenu.hideIcon() works only at runtime."},
        {14003, "Calls to vlm.trayMenu.setItems() works only at runtime."},
        {14004, "Calls to vlm.trayMenu.updateItem() works only at runtime."},
    };
    for (const auto& [id, message] : functions) {
        EXPECT_TRUE(Send(Request(id, ItemsData(R"([{"id":1,"caption":"a"}])"))).empty()) << id;
        ASSERT_FALSE(dialogs.Messages.empty());
        EXPECT_EQ(dialogs.Messages.back(), message);
    }
    EXPECT_TRUE(menus.Calls.size() == 1 && menus.Calls[0].rfind("SetIconTooltip(", 0) == 0)
        << "nothing reached the menus";
}

TEST(TrayIconTooltip, TheFileNameUpToItsFirstDotWithLaterLettersInLowerCase) {
    struct TCase {
        const char* Path;
        const char* Tooltip;
    };
    const TCase cases[] = {
        {"C:\\apps\\MyApp.exe", "Myapp"},
        {"C:\\apps\\hello WORLD.v2.exe", "hello world"},
        {"/opt/apps/ÉCOLE ÀÉÎ.exe", "École àéî"},
        {"C:\\Программа\\ПРИВЕТ.exe", "Привет"},
        {"C:\\apps\\.hidden.exe", ""},
        {"noFolder", "nofolder"},
        {"C:\\apps\\ŁÓDŹ ΑΘΗΝΑ.exe", "Łódź αθηνα"},
    };
    for (const TCase& c : cases) EXPECT_EQ(TrayIconTooltip(c.Path), c.Tooltip) << c.Path;
    EXPECT_EQ(TrayIconTooltip("C:\\" + std::string(200, 'A') + ".exe"), "A" + std::string(126, 'a'));
    // 126 letters and then a character outside the basic plane: it would not fit whole.
    const std::string tooltip = TrayIconTooltip(std::string(126, 'b') + "\xF0\x9F\x98\x80" + "c.exe");
    EXPECT_EQ(tooltip, std::string(126, 'b'));
}

}  // namespace
}  // namespace vellum::testing
