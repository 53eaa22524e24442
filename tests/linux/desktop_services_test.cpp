// The GTK and libnotify services on a real display and session bus (run by
// run_desktop_session.sh: Xvfb, dbus-run-session, dunst as the notification service). A dialog
// is answered from a timer inside its own main loop, as a user would answer it.
#include <gtk/gtk.h>
#include <libnotify/notify.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/gtk/gtk_file_dialogs.h"
#include "platform/gtk/gtk_message_dialogs.h"
#include "platform/gtk/libnotify_notifications.h"
#include "platform/gtk/x11_window_captions.h"
#include "platform/ui_queue.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;

// The first shown dialog of type `type` among the top-level windows, or nullptr.
GtkWidget* ShownDialog(GType type) {
    GtkWidget* found = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item != nullptr && found == nullptr; item = item->next)
        if (G_TYPE_CHECK_INSTANCE_TYPE(item->data, type) && gtk_widget_get_visible(GTK_WIDGET(item->data)))
            found = GTK_WIDGET(item->data);
    g_list_free(windows);
    return found;
}

// Every few milliseconds until it answers true (for at most a minute: a loaded machine loads
// folders slowly): `step` sees the shown dialog of `type` and answers whether it is done with it.
void WhenShown(GType type, std::function<bool(GtkWidget* dialog)> step) {
    struct TState {
        GType Type;
        std::function<bool(GtkWidget*)> Step;
        std::chrono::steady_clock::time_point Deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    };
    g_timeout_add(
        20,
        [](gpointer data) -> gboolean {
            auto* state = static_cast<TState*>(data);
            GtkWidget* dialog = ShownDialog(state->Type);
            if (dialog != nullptr && state->Step(dialog)) {
                delete state;
                return G_SOURCE_REMOVE;
            }
            if (std::chrono::steady_clock::now() < state->Deadline) return G_SOURCE_CONTINUE;
            ADD_FAILURE() << "the dialog was not answered in time";
            if (dialog != nullptr) gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
            delete state;
            return G_SOURCE_REMOVE;
        },
        new TState{type, std::move(step)});
}

std::string CurrentFolder(GtkFileChooser* chooser) {
    gchar* folder = gtk_file_chooser_get_current_folder(chooser);
    std::string result = folder != nullptr ? folder : "";
    g_free(folder);
    return result;
}

std::string ChosenName(GtkFileChooser* chooser) {
    gchar* name = gtk_file_chooser_get_filename(chooser);
    std::string result = name != nullptr ? name : "";
    g_free(name);
    return result;
}

bool FilterTakes(GtkFileFilter* filter, const char* name) {
    GtkFileFilterInfo info{};
    info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
    info.display_name = name;
    return gtk_file_filter_filter(filter, &info) == TRUE;
}

class DesktopServices : public ::testing::Test {
protected:
    void SetUp() override {
        if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
        folder_ = fs::temp_directory_path() / ("vellum-desktop-" + std::to_string(getpid()));
        fs::remove_all(folder_);
        for (const char* sub : {"one", "two"}) fs::create_directories(folder_ / sub);
        for (const char* file : {"one/a.txt", "one/B.TXT", "one/c.png", "two/d.txt"}) std::ofstream(folder_ / file) << "x";
        mainWindow_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
        gtk_window_set_title(mainWindow_, "Main window");
        gtk_widget_show(GTK_WIDGET(mainWindow_));
    }
    void TearDown() override {
        if (mainWindow_ != nullptr) gtk_widget_destroy(GTK_WIDGET(mainWindow_));
        fs::remove_all(folder_);
    }
    std::string Path(const char* relative) const { return (folder_ / relative).string(); }

    fs::path folder_;
    GtkWindow* mainWindow_ = nullptr;
};

TEST_F(DesktopServices, OpenFileShowsTheRequestAndAnswersTheChosenPath) {
    TGtkFileDialogs dialogs(mainWindow_);
    TFileDialogRequest request{"Pick one", "", {{"Text files", "*.txt"}, {"All files", "*.*"}}};
    WhenShown(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), "Pick one");
        EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), mainWindow_);
        EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
        EXPECT_EQ(gtk_file_chooser_get_action(chooser), GTK_FILE_CHOOSER_ACTION_OPEN);
        EXPECT_FALSE(gtk_file_chooser_get_select_multiple(chooser));
        GSList* filters = gtk_file_chooser_list_filters(chooser);
        EXPECT_EQ(g_slist_length(filters), 2u);
        if (g_slist_length(filters) == 2) {
            auto* text = GTK_FILE_FILTER(g_slist_nth_data(filters, 0));
            auto* all = GTK_FILE_FILTER(g_slist_nth_data(filters, 1));
            EXPECT_STREQ(gtk_file_filter_get_name(text), "Text files");
            EXPECT_TRUE(FilterTakes(text, "B.TXT")) << "masks match without regard to case";
            EXPECT_FALSE(FilterTakes(text, "c.png"));
            EXPECT_TRUE(FilterTakes(all, "README")) << "*.* takes names without a dot";
        }
        g_slist_free(filters);
        gtk_file_chooser_select_filename(chooser, Path("one/a.txt").c_str());
        if (ChosenName(chooser) != Path("one/a.txt")) return false;  // the folder is still loading
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
        return true;
    });
    EXPECT_EQ(dialogs.OpenFile(request), Path("one/a.txt"));
}

TEST_F(DesktopServices, EachDialogStartsWhereItsLastCallEndedAndKeepsThePickedFilter) {
    TGtkFileDialogs dialogs(mainWindow_);
    TFileDialogRequest request{"Open", "", {{"Text files", "*.txt"}, {"Images", "*.png"}}};
    // A cancel in folder "two" with the second filter picked.
    WhenShown(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
        gtk_file_chooser_set_current_folder(chooser, Path("two").c_str());
        GSList* filters = gtk_file_chooser_list_filters(chooser);
        gtk_file_chooser_set_filter(chooser, GTK_FILE_FILTER(g_slist_nth_data(filters, 1)));
        g_slist_free(filters);
        if (CurrentFolder(chooser) != Path("two")) return false;
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
        return true;
    });
    EXPECT_EQ(dialogs.OpenFile(request), "");
    std::string startedIn, filterName;
    WhenShown(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
        startedIn = CurrentFolder(chooser);
        if (startedIn.empty()) return false;  // not shown in full yet
        GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser);
        filterName = filter != nullptr ? gtk_file_filter_get_name(filter) : "";
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
        return true;
    });
    EXPECT_EQ(dialogs.OpenFile(request), "");
    EXPECT_EQ(startedIn, Path("two"));
    EXPECT_EQ(filterName, "Images");
    // The save dialog keeps its own: it does not start in "two".
    WhenShown(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
        startedIn = CurrentFolder(GTK_FILE_CHOOSER(dialog));
        if (startedIn.empty()) return false;
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
        return true;
    });
    EXPECT_EQ(dialogs.SaveFile({"Save", "", {}}, false), "");
    EXPECT_NE(startedIn, Path("two"));
}

TEST_F(DesktopServices, SaveFileStartsWithTheNameAsksBeforeReplacingOnlyWhenToldAndAnswersTheTypedName) {
    TGtkFileDialogs dialogs(mainWindow_);
    for (const bool prompt : {true, false}) {
        std::string name;
        gboolean confirms = !prompt;
        WhenShown(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
            GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
            EXPECT_EQ(gtk_file_chooser_get_action(chooser), GTK_FILE_CHOOSER_ACTION_SAVE);
            confirms = gtk_file_chooser_get_do_overwrite_confirmation(chooser);
            gchar* current = gtk_file_chooser_get_current_name(chooser);
            name = current != nullptr ? current : "";
            g_free(current);
            if (CurrentFolder(chooser) != Path("one")) return false;
            gtk_file_chooser_set_current_name(chooser, "typed name");  // no extension is added
            gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
            return true;
        });
        EXPECT_EQ(dialogs.SaveFile({"Save as", Path("one/report.txt"), {{"Text", "*.txt"}}}, prompt), Path("one/typed name"));
        EXPECT_EQ(name, "report.txt");
        EXPECT_EQ(confirms, prompt ? TRUE : FALSE);
    }
}

TEST_F(DesktopServices, SelectFolderPicksFoldersOnly) {
    TGtkFileDialogs dialogs(mainWindow_);
    WhenShown(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
        EXPECT_EQ(gtk_file_chooser_get_action(chooser), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER);
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), "Where to?");
        EXPECT_TRUE(gtk_file_chooser_get_local_only(chooser));
        gtk_file_chooser_select_filename(chooser, Path("two").c_str());
        if (ChosenName(chooser) != Path("two")) return false;
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
        return true;
    });
    EXPECT_EQ(dialogs.SelectFolder("Where to?"), Path("two"));
}

TEST_F(DesktopServices, AMessageBoxShowsThePageTextAsPlainTextOwnedByTheMainWindow) {
    TGtkMessageDialogs dialogs("Hello app", mainWindow_);
    const std::string text = "a <b>bold</b> &amp; 100% \xFF";
    std::string shown;
    WhenShown(GTK_TYPE_MESSAGE_DIALOG, [&](GtkWidget* dialog) {
        gchar* value = nullptr;
        gboolean markup = TRUE;
        g_object_get(dialog, "text", &value, "use-markup", &markup, nullptr);
        shown = value != nullptr ? value : "";
        g_free(value);
        EXPECT_FALSE(markup);
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), "Hello app");
        EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), mainWindow_);
        EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
        return true;
    });
    dialogs.ShowMessage(text);
    EXPECT_EQ(shown, "a <b>bold</b> &amp; 100% \xEF\xBF\xBD") << "ill-formed bytes become U+FFFD";
}

TEST_F(DesktopServices, WindowTitlesListShownAndHiddenWindowsButNoBlankOnes) {
    GtkWidget* hidden = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(hidden), "Hidden \xC3\xBC window");
    gtk_widget_realize(hidden);
    GtkWidget* blank = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(blank), "   ");
    gtk_widget_show(blank);
    while (gtk_events_pending()) gtk_main_iteration();
    const std::vector<std::string> titles = X11WindowCaptions();
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "Main window"), 1);
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "Hidden \xC3\xBC window"), 1);
    for (const std::string& title : titles) EXPECT_NE(title.find_first_not_of(" \t"), std::string::npos);
    gtk_widget_destroy(hidden);
    gtk_widget_destroy(blank);
}

// Runs `command` and answers its standard output.
std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[512];
        while (std::size_t got = fread(chunk, 1, sizeof chunk, pipe)) text.append(chunk, got);
        pclose(pipe);
    }
    return text;
}

// Serves GLib's main context and the queue until `done` holds or `seconds` have passed.
void PumpUntil(TManualUiQueue& queue, const std::function<bool()>& done, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        queue.Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TEST_F(DesktopServices, ANotificationsClickReachesTheQueueWithItsNameWhileTheServiceLives) {
    if (std::getenv("VELLUM_TEST_NO_NOTIFICATION_SERVICE") != nullptr) GTEST_SKIP() << "no notification service";
    TManualUiQueue queue;
    std::vector<std::string> clicks;
    {
        TLibnotifyNotifications notifications("Vellum tests", queue);
        notifications.OnClick = [&clicks](const std::string& name) { clicks.push_back(name); };
        const std::string name = "say \"hi\" <b>&amp;</b> \\ \xC3\xBC";
        ASSERT_TRUE(notifications.Show({name, "Title <i>", "Body <b>bold</b> & more"}));
        EXPECT_EQ(notifications.OpenCount(), 1u);
        Output("dunstctl action 0");  // the service runs the default action, as a click does
        PumpUntil(queue, [&clicks] { return !clicks.empty(); }, 30);
        EXPECT_EQ(clicks, std::vector<std::string>{name});
        ASSERT_TRUE(notifications.Show({"", "", ""})) << "empty texts are shown too";
        Output("dunstctl close-all");
        PumpUntil(queue, [&notifications] { return notifications.OpenCount() == 0; }, 30);
        EXPECT_EQ(notifications.OpenCount(), 0u) << "closed notifications are let go";
        ASSERT_TRUE(notifications.Show({"late", "t", "b"}));
        EXPECT_TRUE(queue.Pending() == 0);
    }
    // The service is gone: a click on what is still shown raises nothing.
    Output("dunstctl action 0");
    PumpUntil(queue, [] { return false; }, 1);
    EXPECT_EQ(clicks.size(), 1u);
    Output("dunstctl close-all");
}

TEST_F(DesktopServices, WithoutANotificationServiceShowAnswersFalse) {
    if (std::getenv("VELLUM_TEST_NO_NOTIFICATION_SERVICE") == nullptr) GTEST_SKIP() << "a service is running";
    TManualUiQueue queue;
    TLibnotifyNotifications notifications("Vellum tests", queue);
    EXPECT_FALSE(notifications.Show({"n", "t", "b"}));
    EXPECT_EQ(notifications.OpenCount(), 0u);
}

}  // namespace
}  // namespace vellum
