// The menus, the tray icon and the themes on GTK, on a real display (run_desktop_session.sh):
// the page's requests go through the bridge module into the GTK widgets, and what the tests
// check is read back from those widgets.
#include <gtk/gtk.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bridge_fixture.h"
#include "core/styles/style_manager.h"
#include "core/styles/theme_catalogue.h"
#include "platform/gtk/gtk_external_form.h"
#include "platform/gtk/gtk_menu_images.h"
#include "platform/gtk/gtk_style_service.h"
#include "platform/gtk/menu_mnemonic.h"
#include "platform/gtk/theme_css.h"

namespace vellum::testing {
namespace {

using TCalls = std::vector<std::string>;
using TBytes = std::vector<std::uint8_t>;

// A picture of one colour, encoded by GdkPixbuf in `format` ("png", "jpeg", "bmp", "tiff", "ico").
TBytes Encoded(const char* format, int width, int height, std::uint32_t rgba) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
    gdk_pixbuf_fill(pixbuf, rgba);
    gchar* buffer = nullptr;
    gsize size = 0;
    GError* error = nullptr;
    const gboolean saved = gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, format, &error, nullptr);
    g_object_unref(pixbuf);
    EXPECT_TRUE(saved) << format << ": " << (error != nullptr ? error->message : "");
    if (error != nullptr) g_error_free(error);
    TBytes bytes(buffer, buffer + size);
    g_free(buffer);
    return bytes;
}

// A 1 x 1 GIF of pure red (GdkPixbuf reads GIF but cannot write it).
const TBytes kRedGif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                        0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00,
                        0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};

struct TPixel {
    int R, G, B, A;
};

TPixel PixelAt(const TPixbuf& image, int x, int y) {
    const guchar* p = gdk_pixbuf_get_pixels(image.Get()) + y * gdk_pixbuf_get_rowstride(image.Get()) +
                      x * gdk_pixbuf_get_n_channels(image.Get());
    return {p[0], p[1], p[2], gdk_pixbuf_get_n_channels(image.Get()) == 4 ? p[3] : 255};
}

std::string DecodeError(const TBytes& bytes) {
    try {
        DecodeMenuImage(bytes, 16);
    } catch (const EVellumError& error) {
        return error.what();
    }
    return "decoded";
}

std::string ItemsData(const std::string& itemsJson) {
    return nlohmann::json{{"items", itemsJson}}.dump();
}

// The bridge module with the GTK menus and tray icon of a real window, the runtime's themes.
class GtkMenus : public TBridgeFixture {
protected:
    void SetUp() override {
        window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
        gtk_container_add(GTK_CONTAINER(window), box);
        browser = gtk_label_new("the page");
        gtk_box_pack_end(GTK_BOX(box), browser, TRUE, TRUE, 0);
        executablePath = "/opt/apps/HELLO.World.bin";
        themes = std::make_unique<TGtkStyleService>();
        StyleManager().TrySetStyle("Windows");
        module.reset();
        TBridgeServices services;
        services.Dialogs = &dialogs;
        services.Styles = themes.get();
        services.Host.ExecutablePath = executablePath;
        services.CreateExternalForm = [this] {
            auto made = std::make_unique<TGtkExternalForm>(GTK_WINDOW(window), GTK_BOX(box));
            form = made.get();
            return made;
        };
        module = std::make_unique<TBrowserExternalModule>(std::move(services), queue);
        module->ExeZip = &archive;
        module->MainForm = &this->window_;
        module->BrowserForm = &page;
        gtk_widget_show_all(window);
    }
    void TearDown() override {
        module.reset();
        StyleManager().TrySetStyle("Windows");
        themes.reset();
        gtk_widget_destroy(window);
    }
    TCalls SetMain(const std::string& json) { return Send(Request(12001, ItemsData(json))); }
    TCalls SetTray(const std::string& json) { return Send(Request(14003, ItemsData(json))); }
    std::string MainTree() { return DescribeMenuShell(form->GtkMainMenu().Shell()); }
    // The menu item widgets of one level, in order.
    static std::vector<GtkMenuItem*> Level(GtkMenuShell* shell) {
        std::vector<GtkMenuItem*> items;
        GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
        for (GList* node = children; node != nullptr; node = node->next) items.push_back(GTK_MENU_ITEM(node->data));
        g_list_free(children);
        return items;
    }
    static GtkMenuShell* Submenu(GtkMenuItem* item) { return GTK_MENU_SHELL(gtk_menu_item_get_submenu(item)); }
    // Emits a button event of the left button on the tray icon, as the tray host delivers it.
    void IconButton(GdkEventType type, guint button = 1) {
        GdkEvent* event = gdk_event_new(type);
        event->button.button = button;
        event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
        gboolean handled = FALSE;
        g_signal_emit_by_name(form->StatusIcon(),
                              type == GDK_BUTTON_RELEASE ? "button-release-event" : "button-press-event", event,
                              &handled);
        gdk_event_free(event);
    }

    GtkWidget* window = nullptr;
    GtkWidget* box = nullptr;
    GtkWidget* browser = nullptr;
    TRecordingMainWindow window_;
    std::unique_ptr<TGtkStyleService> themes;
    TGtkExternalForm* form = nullptr;
};

TEST(GtkMenuCaptions, AmpersandsBecomeGtkMnemonics) {
    const std::pair<const char*, const char*> cases[] = {
        {"&File", "_File"},
        {"E&xit", "E_xit"},
        {"Save && Close", "Save & Close"},
        {"&&&Both", "&_Both"},
        {"snake_case", "snake__case"},
        {"end&", "end"},
        {"&One &Two", "_One Two"},
        {"&Ünïcode", "_Ünïcode"},
        {"plain", "plain"},
    };
    for (const auto& [caption, label] : cases) EXPECT_EQ(GtkMnemonicLabel(caption), label) << caption;
}

TEST(GtkMenuImages, EveryFormatDecodesToTheSquareAskedFor) {
    const std::uint32_t red = 0xFF0000FF;
    const std::pair<const char*, TBytes> cases[] = {
        {"png", Encoded("png", 8, 8, red)},   {"jpeg", Encoded("jpeg", 8, 8, red)}, {"bmp", Encoded("bmp", 8, 8, red)},
        {"tiff", Encoded("tiff", 8, 8, red)}, {"ico", Encoded("ico", 16, 16, red)}, {"gif", kRedGif},
    };
    for (const auto& [format, bytes] : cases) {
        for (int side : {16, 32}) {
            const TPixbuf image = DecodeMenuImage(bytes, side);
            ASSERT_NE(image.Get(), nullptr) << format;
            EXPECT_EQ(gdk_pixbuf_get_width(image.Get()), side) << format;
            EXPECT_EQ(gdk_pixbuf_get_height(image.Get()), side) << format;
            EXPECT_EQ(gdk_pixbuf_get_n_channels(image.Get()), 4) << format;
            const TPixel pixel = PixelAt(image, side / 2, side / 2);
            // JPEG's loss allows a little.
            EXPECT_GE(pixel.R, 240) << format;
            EXPECT_LE(pixel.G, 15) << format;
            EXPECT_LE(pixel.B, 15) << format;
            EXPECT_EQ(pixel.A, 255) << format;
        }
    }
}

TEST(GtkMenuImages, BadBytesAndHugePicturesAreRefusedWithTheDecodersError) {
    const std::pair<TBytes, const char*> cases[] = {
        {TBytes{}, "The menu image cannot be decoded (no bytes, error 80070057)"},
        {TBytes(100, 'x'), "The menu image cannot be decoded (format, error "},
        {TBytes(kRedGif.begin(), kRedGif.begin() + 20), "The menu image cannot be decoded (format, error "},
        {Encoded("png", 16385, 1, 0xFF), "The menu image cannot be decoded (size, error 80070057)"},
        {Encoded("png", 1, 16385, 0xFF), "The menu image cannot be decoded (size, error 80070057)"},
    };
    for (const auto& [bytes, error] : cases) EXPECT_EQ(DecodeError(bytes).rfind(error, 0), 0u) << DecodeError(bytes);
    EXPECT_EQ(DecodeError(Encoded("png", 16384, 1, 0xFF)), "decoded");
}

TEST(GtkMenuImages, AGreyedImageKeepsItsSizeInGreyAtHalfTheOpacity) {
    const std::pair<std::uint32_t, TPixel> cases[] = {
        {0xFF0000FF, {76, 76, 76, 127}},
        {0x00FF00FF, {149, 149, 149, 127}},
        {0xFFFFFF80, {255, 255, 255, 64}},
    };
    for (const auto& [rgba, grey] : cases) {
        const TPixbuf image = DecodeMenuImage(Encoded("png", 4, 4, rgba), 16);
        const TPixbuf greyed = GreyedMenuImage(image);
        EXPECT_EQ(gdk_pixbuf_get_width(greyed.Get()), 16);
        const TPixel pixel = PixelAt(greyed, 3, 3);
        EXPECT_EQ(pixel.R, grey.R) << std::hex << rgba;
        EXPECT_EQ(pixel.G, grey.G);
        EXPECT_EQ(pixel.B, grey.B);
        EXPECT_EQ(pixel.A, grey.A);
        EXPECT_EQ(PixelAt(image, 3, 3).A, static_cast<int>(rgba & 0xFF)) << "the original stays";
    }
}

TEST_F(GtkMenus, TheMenuBarAppearsAboveThePageWithTheItemsAsGtkWidgets) {
    GtkWidget* bar = GTK_WIDGET(form->GtkMainMenu().Shell());
    EXPECT_FALSE(gtk_widget_get_visible(bar)) << "no menu bar before the page sets one";
    const std::string png = (std::filesystem::temp_directory_path() / "vellum-menu-image.png").string();
    {
        const TBytes bytes = Encoded("png", 8, 8, 0x0000FFFF);
        std::ofstream(png, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    const std::string items =
        nlohmann::json::array(
            {
                {{"id", 1},
                 {"caption", "&File"},
                 {"items",
                  {
                      {{"id", 42}, {"caption", "&Open"}, {"image", png}},
                      {{"id", 3}, {"caption", "-"}},
                      {{"id", 4}, {"caption", "Save && Close"}, {"enabled", false}, {"image", png}},
                      {{"id", 5}, {"caption", "&More"}, {"items", {{{"id", 6}, {"caption", "Deep_er"}}}}},
                      {{"id", 7},
                       {"caption", "Off"},
                       {"enabled", "false"},
                       {"items", {{{"id", 8}, {"caption", "Under off"}}}}},
                  }}},
                {{"id", 9}, {"caption", "&Help"}},
                {{"id", 10}, {"caption", "Empty"}, {"items", nlohmann::json::array()}},
            })
            .dump();
    ASSERT_EQ(SetMain(items), TCalls{Success("true")});
    std::filesystem::remove(png);

    EXPECT_TRUE(gtk_widget_get_visible(bar));
    GList* children = gtk_container_get_children(GTK_CONTAINER(box));
    ASSERT_EQ(g_list_length(children), 2u);
    EXPECT_EQ(children->data, bar) << "the bar comes first, above the page";
    EXPECT_EQ(children->next->data, browser);
    g_list_free(children);
    EXPECT_EQ(MainTree(),
              "_File\n"
              "  _Open [image 16x16]\n"
              "  -\n"
              "  Save & Close [disabled] [grey image 16x16]\n"
              "  _More\n"
              "    Deep__er\n"
              "  Off [disabled]\n"
              "    Under off\n"
              "_Help\n"
              "Empty\n");
    // The mnemonic is GTK's own: Alt+F opens the File menu.
    GtkMenuItem* file = Level(form->GtkMainMenu().Shell()).at(0);
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(file));
    ASSERT_TRUE(GTK_IS_LABEL(label));
    EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(label)), static_cast<guint>(GDK_KEY_f));

    // An empty array empties the bar, which stays.
    ASSERT_EQ(SetMain("[]"), TCalls{Success("true")});
    EXPECT_EQ(MainTree(), "");
    EXPECT_TRUE(gtk_widget_get_visible(bar));
}

TEST_F(GtkMenus, OnlyItemsTheUserCouldChooseRaiseTheirClicks) {
    ASSERT_EQ(
        SetMain(
            R"([{"id":1,"caption":"&File","items":[{"id":42,"caption":"&Open"},{"id":3,"caption":"-"},)"
            R"({"id":4,"caption":"Off","enabled":false},{"id":5,"caption":"Closed","enabled":false,"items":[{"id":6,"caption":"x"}]},)"
            R"({"id":7,"caption":"Sub","items":[{"id":-8,"caption":"Deep"}]}]},{"id":9,"caption":"Top"}])"),
        TCalls{Success("true")});
    ASSERT_EQ(SetTray(R"([{"id":77,"caption":"Tray item"}])"), TCalls{Success("true")});
    const auto top = Level(form->GtkMainMenu().Shell());
    const auto file = Level(Submenu(top.at(0)));
    struct TCase {
        GtkMenuItem* Item;
        const char* Script;  // nullptr: nothing is raised
    };
    const TCase cases[] = {
        {file.at(0), "vlm.events.onMainMenuItemClick(\"42\");"},
        {top.at(1), "vlm.events.onMainMenuItemClick(\"9\");"},
        {Level(Submenu(file.at(4))).at(0), "vlm.events.onMainMenuItemClick(\"-8\");"},
        {Level(form->GtkTrayMenu().Shell()).at(0), "vlm.events.onTrayMenuItemClick(\"77\");"},
        {top.at(0), nullptr},
        {file.at(1), nullptr},
        {file.at(2), nullptr},
        {file.at(3), nullptr},
        {Level(Submenu(file.at(3))).at(0), nullptr},
        {file.at(4), nullptr},
    };
    for (const TCase& c : cases) {
        page.Scripts.clear();
        gtk_menu_item_activate(c.Item);
        queue.Pump();
        EXPECT_EQ(page.Scripts, c.Script != nullptr ? TCalls{c.Script} : TCalls{}) << gtk_menu_item_get_label(c.Item);
    }
}

TEST_F(GtkMenus, AnUpdateReachesTheWidgetAndNewImagesFollowTheScale) {
    ASSERT_EQ(SetMain(R"([{"id":1,"caption":"A","items":[{"id":2,"caption":"B"}]}])"), TCalls{Success("true")});
    ASSERT_EQ(Send(Request(12002, R"({"id":"2","caption":"&Renamed","enabled":false})")), TCalls{Success("true")});
    EXPECT_EQ(MainTree(), "A\n  _Renamed [disabled]\n");
    ASSERT_EQ(Send(Request(12002, R"({"id":"2","enabled":"true"})")), TCalls{Success("true")});
    EXPECT_EQ(MainTree(), "A\n  _Renamed\n");

    // A host menu on a display of scale 2 draws its 16 pixels with 32 device pixels.
    TGtkHostMenu scaled(false, [] { return 2; });
    const int index = scaled.AddImage(Encoded("bmp", 5, 5, 0x00FF00FF));
    EXPECT_EQ(index, 0);
    TMenuItem big;
    big.Id = 1;
    big.Caption = "Big";
    big.ImageIndex = index;
    scaled.SetItems({big});
    EXPECT_EQ(DescribeMenuShell(scaled.Shell()), "Big [image 32x32]\n");
    EXPECT_THROW(scaled.AddImage(TBytes(64, 0)), EVellumError);
    EXPECT_EQ(scaled.AddImage(kRedGif), 1) << "a refused image adds nothing";
}

TEST_F(GtkMenus, TheTrayIconShowsOnRequestAndTurnsLeftClicksIntoOneEventEach) {
    GtkStatusIcon* icon = form->StatusIcon();
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    EXPECT_FALSE(gtk_status_icon_get_visible(icon));
    EXPECT_FALSE(module->BrowserExternalForm().IconVisible());
    EXPECT_EQ(form->IconTooltip(), "Hello");
    ASSERT_EQ(Send(Request(14001)), TCalls{Success("true")});
    EXPECT_TRUE(gtk_status_icon_get_visible(icon));
    EXPECT_TRUE(module->BrowserExternalForm().IconVisible());
    ASSERT_EQ(Send(Request(14001)), TCalls{Success("true")}) << "showing a shown icon";

    struct TCase {
        std::vector<GdkEventType> Events;
        std::size_t Clicks;
    };
    const TCase cases[] = {
        {{GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}, 1},
        // A double click: the second press comes as a press and a double press.
        {{GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE, GDK_BUTTON_PRESS, GDK_2BUTTON_PRESS, GDK_BUTTON_RELEASE}, 1},
        {{GDK_BUTTON_RELEASE}, 0},
        {{GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE, GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}, 2},
    };
    for (const TCase& c : cases) {
        page.Scripts.clear();
        for (GdkEventType type : c.Events) IconButton(type);
        queue.Pump();
        EXPECT_EQ(page.Scripts, TCalls(c.Clicks, "vlm.events.onTrayIconClick();")) << c.Events.size();
    }
    page.Scripts.clear();
    IconButton(GDK_BUTTON_PRESS, 3);
    IconButton(GDK_BUTTON_RELEASE, 3);
    queue.Pump();
    EXPECT_EQ(page.Scripts, TCalls{}) << "the right button raises no click";

    // The right button's menu request opens the tray menu. A change while it is open waits
    // until it has closed, and its items can still be chosen meanwhile.
    ASSERT_EQ(SetTray(R"([{"id":1,"caption":"Quit"}])"), TCalls{Success("true")});
    g_signal_emit_by_name(icon, "popup-menu", 3u, static_cast<guint>(GDK_CURRENT_TIME));
    GtkMenuShell* trayMenu = form->GtkTrayMenu().Shell();
    EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(trayMenu)));
    ASSERT_EQ(Send(Request(14004, R"({"id":"1","caption":"Leave"})")), TCalls{Success("true")});
    EXPECT_EQ(DescribeMenuShell(trayMenu), "Quit\n") << "the open menu stays as it is";
    page.Scripts.clear();
    gtk_menu_item_activate(Level(trayMenu).at(0));
    queue.Pump();
    EXPECT_EQ(page.Scripts, TCalls{"vlm.events.onTrayMenuItemClick(\"1\");"});
    gtk_menu_popdown(GTK_MENU(trayMenu));
    for (int i = 0; i < 100 && DescribeMenuShell(trayMenu) != "Leave\n"; ++i) g_main_context_iteration(nullptr, FALSE);
    EXPECT_EQ(DescribeMenuShell(trayMenu), "Leave\n") << "made anew once closed";

    ASSERT_EQ(Send(Request(14002)), TCalls{Success("true")});
    EXPECT_FALSE(gtk_status_icon_get_visible(icon));
    EXPECT_FALSE(module->BrowserExternalForm().IconVisible());
    page.Scripts.clear();
    IconButton(GDK_BUTTON_PRESS);
    IconButton(GDK_BUTTON_RELEASE);
    queue.Pump();
    EXPECT_EQ(page.Scripts, TCalls{}) << "a hidden icon raises nothing";
    G_GNUC_END_IGNORE_DEPRECATIONS
}

// The colour GTK gives a label inside a fresh message box, or inside a plain dialog as the
// password prompt is one, as 0xRRGGBB.
std::uint32_t DialogLabelColour(bool messageBox = true) {
    GtkWidget* dialog =
        messageBox ? gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_INFO, GTK_BUTTONS_OK, "text")
                   : gtk_dialog_new();
    if (!messageBox)
        gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), gtk_label_new("text"), FALSE,
                           FALSE, 0);
    gtk_widget_show_all(dialog);
    GtkWidget* area = messageBox ? gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog))
                                 : gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    GList* children = gtk_container_get_children(GTK_CONTAINER(area));
    GdkRGBA colour{};
    gtk_style_context_get_color(gtk_widget_get_style_context(GTK_WIDGET(children->data)), GTK_STATE_FLAG_NORMAL,
                                &colour);
    g_list_free(children);
    gtk_widget_destroy(dialog);
    const auto channel = [](double value) { return static_cast<std::uint32_t>(value * 255.0 + 0.5); };
    return channel(colour.red) << 16 | channel(colour.green) << 8 | channel(colour.blue);
}

// The colour of a menu item's label in the main menu bar.
std::uint32_t MenuLabelColour(GtkMenuShell* shell) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(children->data));
    g_list_free(children);
    GdkRGBA colour{};
    gtk_style_context_get_color(gtk_widget_get_style_context(label), GTK_STATE_FLAG_NORMAL, &colour);
    const auto channel = [](double value) { return static_cast<std::uint32_t>(value * 255.0 + 0.5); };
    return channel(colour.red) << 16 | channel(colour.green) << 8 | channel(colour.blue);
}

TEST_F(GtkMenus, ThemesAnswerAsOnWindowsAndDressTheHostsDialogsButNotTheMenus) {
    const TCalls names = Send(Request(80002));
    ASSERT_EQ(names.size(), 1u);
    const auto result = nlohmann::json::parse(names[0])["result"];
    ASSERT_EQ(result.size(), 40u);
    EXPECT_EQ(result.get<std::vector<std::string>>(), ThemeCatalogue());
    EXPECT_EQ(result.front(), "Amakrits");
    EXPECT_EQ(result.back(), "Windows10 SlateGray");

    ASSERT_EQ(SetMain(R"([{"id":1,"caption":"Menu"}])"), TCalls{Success("true")});
    const std::uint32_t nativeDialog = DialogLabelColour();
    const std::uint32_t nativeMenu = MenuLabelColour(form->GtkMainMenu().Shell());
    struct TCase {
        const char* Name;
        const char* Answer;
        const char* Active;
    };
    const TCase cases[] = {
        {"Windows10 Dark", "true", "Windows10 Dark"},
        {"windows10 dark", "false", "Windows10 Dark"},
        {"No such theme", "false", "Windows10 Dark"},
        {"", "false", "Windows10 Dark"},
        {"Sky", "true", "Sky"},
        {"Windows", "true", "Windows"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Send(Request(80003, nlohmann::json{{"name", c.Name}}.dump())), TCalls{Success(c.Answer)}) << c.Name;
        EXPECT_EQ(Send(Request(80001)), TCalls{Success(std::string("\"") + c.Active + "\"")}) << c.Name;
        const TStylePalette* palette = StyleManager().ActivePalette();
        if (palette != nullptr) {
            EXPECT_EQ(DialogLabelColour(), palette->Text) << c.Name;
            EXPECT_EQ(DialogLabelColour(false), palette->Text) << c.Name;
            EXPECT_NE(DialogLabelColour(), nativeDialog) << c.Name;
        } else {
            EXPECT_EQ(themes->ActiveCss(), "");
            EXPECT_EQ(DialogLabelColour(), nativeDialog) << "the native look is back";
            EXPECT_EQ(DialogLabelColour(false), nativeDialog);
        }
        EXPECT_EQ(MenuLabelColour(form->GtkMainMenu().Shell()), nativeMenu) << "menus stay native: " << c.Name;
    }
}

TEST(GtkThemeCss, EveryStylesSheetParsesAndNamesADialogInEverySelector) {
    RegisterRuntimeStylesOnce();
    int styles = 0;
    for (const std::string& name : ThemeCatalogue()) {
        if (name == kNativeThemeName) continue;
        const std::string css = ThemeCss(StyleManager().LoadStyle(name).Palette);
        GtkCssProvider* provider = gtk_css_provider_new();
        GError* error = nullptr;
        EXPECT_TRUE(gtk_css_provider_load_from_data(provider, css.c_str(), -1, &error))
            << name << ": " << (error != nullptr ? error->message : "");
        if (error != nullptr) g_error_free(error);
        g_object_unref(provider);
        // Every selector of every rule starts at a dialog.
        std::size_t at = 0;
        while (at < css.size()) {
            const std::size_t open = css.find('{', at);
            if (open == std::string::npos) break;
            std::string selectors = css.substr(at, open - at);
            std::size_t start = 0;
            while (start < selectors.size()) {
                std::size_t comma = selectors.find(',', start);
                if (comma == std::string::npos) comma = selectors.size();
                std::string one = selectors.substr(start, comma - start);
                one.erase(0, one.find_first_not_of(" \n"));
                EXPECT_TRUE(one.rfind("dialog", 0) == 0 || one.rfind("messagedialog", 0) == 0) << name << ": " << one;
                start = comma + 1;
            }
            at = css.find('}', open) + 1;
        }
        ++styles;
    }
    EXPECT_EQ(styles, 39);
}

}  // namespace
}  // namespace vellum::testing

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
