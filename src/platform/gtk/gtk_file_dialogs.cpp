#include "platform/gtk/gtk_file_dialogs.h"

#include <cctype>
#include <filesystem>

#include "core/text/utf.h"
#include "platform/gtk/gtk_active_window.h"

namespace vellum {

namespace {

using TMemory = TGtkFileDialogs::TMemory;

std::string WellFormed(const std::string& text) {
    return IsValidUtf8(text) ? text : Utf16ToUtf8(Utf8ToUtf16(text));
}

// A path GTK gives (in the file system's encoding) as UTF-8; empty for none.
std::string TakePath(char* path) {
    if (path == nullptr) return {};
    gchar* utf8 = g_filename_to_utf8(path, -1, nullptr, nullptr, nullptr);
    std::string result = utf8 != nullptr ? utf8 : "";
    g_free(utf8);
    g_free(path);
    return result;
}

GtkWidget* NewChooser(GtkFileChooserAction action, const std::string& title, GtkWindow* owner) {
    const bool save = action == GTK_FILE_CHOOSER_ACTION_SAVE;
    const char* accept = save ? "_Save" : action == GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER ? "_Select" : "_Open";
    GtkWidget* dialog = gtk_file_chooser_dialog_new(title.empty() ? nullptr : WellFormed(title).c_str(), owner, action,
                                                    "_Cancel", GTK_RESPONSE_CANCEL, accept, GTK_RESPONSE_ACCEPT,
                                                    nullptr);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_select_multiple(chooser, FALSE);
    return dialog;
}

// The request's start name and filters; the filter picked last is chosen again when the new
// list has that many entries.
void ApplyRequest(GtkFileChooser* chooser, const TFileDialogRequest& request, const TMemory& memory, bool save) {
    if (!memory.Folder.empty()) gtk_file_chooser_set_current_folder(chooser, memory.Folder.c_str());
    if (!request.FileName.empty()) {
        std::error_code error;
        // GTK takes absolute paths; a relative one is relative to the current folder.
        const std::filesystem::path given = PathFromUtf8(request.FileName);
        const std::filesystem::path name = std::filesystem::absolute(given, error);
        // A name with a folder starts the dialog there; the name alone is what the user edits.
        if (given.has_parent_path() && std::filesystem::is_directory(name.parent_path(), error))
            gtk_file_chooser_set_current_folder(chooser, PathToUtf8(name.parent_path()).c_str());
        if (save) {
            gtk_file_chooser_set_current_name(chooser, WellFormed(PathToUtf8(name.filename())).c_str());
        } else if (given.has_parent_path() && std::filesystem::is_regular_file(name, error)) {
            gtk_file_chooser_select_filename(chooser, PathToUtf8(name).c_str());
        }
    }
    for (const TFileType& type : request.FileTypes) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, WellFormed(type.Name).c_str());
        gtk_file_filter_add_pattern(filter, CaseBlindPattern(type.Mask).c_str());
        gtk_file_chooser_add_filter(chooser, filter);  // the chooser takes the floating reference
    }
    if (memory.FilterIndex >= 1 && memory.FilterIndex <= request.FileTypes.size()) {
        GSList* filters = gtk_file_chooser_list_filters(chooser);
        gtk_file_chooser_set_filter(chooser, GTK_FILE_FILTER(g_slist_nth_data(filters, memory.FilterIndex - 1)));
        g_slist_free(filters);
    }
}

// Runs the dialog, answers the chosen path ("" on cancel) and keeps where it ended for the next
// call: the chosen item's folder, or after a cancel the folder the dialog showed last.
std::string RunAndRemember(GtkWidget* dialog, TMemory& memory) {
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    std::string chosen = response == GTK_RESPONSE_ACCEPT ? TakePath(gtk_file_chooser_get_filename(chooser)) : "";
    std::string endedIn = chosen.empty() ? TakePath(gtk_file_chooser_get_current_folder(chooser))
                                         : PathToUtf8(PathFromUtf8(chosen).parent_path());
    if (!endedIn.empty()) memory.Folder = std::move(endedIn);
    if (GtkFileFilter* picked = gtk_file_chooser_get_filter(chooser)) {
        GSList* filters = gtk_file_chooser_list_filters(chooser);
        const gint index = g_slist_index(filters, picked);
        g_slist_free(filters);
        if (index >= 0) memory.FilterIndex = static_cast<unsigned>(index) + 1;
    }
    gtk_widget_destroy(dialog);
    return chosen;
}

}  // namespace

std::string CaseBlindPattern(const std::string& mask) {
    if (mask == "*.*") return "*";
    std::string pattern;
    for (const char c : mask) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalpha(byte) && byte < 0x80) {
            pattern += '[';
            pattern += static_cast<char>(std::tolower(byte));
            pattern += static_cast<char>(std::toupper(byte));
            pattern += ']';
        } else if (c == '[' || c == ']') {
            pattern += '[';  // a bracket is itself in Windows masks
            pattern += c;
            pattern += ']';
        } else {
            pattern += c;
        }
    }
    return pattern;
}

std::string TGtkFileDialogs::OpenFile(const TFileDialogRequest& request) {
    GtkWidget* dialog = NewChooser(GTK_FILE_CHOOSER_ACTION_OPEN, request.Title, ActiveGtkWindow(mainWindow_));
    ApplyRequest(GTK_FILE_CHOOSER(dialog), request, open_, false);
    return RunAndRemember(dialog, open_);
}

std::string TGtkFileDialogs::SaveFile(const TFileDialogRequest& request, bool overwritePrompt) {
    GtkWidget* dialog = NewChooser(GTK_FILE_CHOOSER_ACTION_SAVE, request.Title, ActiveGtkWindow(mainWindow_));
    // No default extension: the saved name is what the user typed or picked.
    gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(dialog), overwritePrompt ? TRUE : FALSE);
    ApplyRequest(GTK_FILE_CHOOSER(dialog), request, save_, true);
    return RunAndRemember(dialog, save_);
}

std::string TGtkFileDialogs::SelectFolder(const std::string& title) {
    GtkWidget* dialog = NewChooser(GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, title, ActiveGtkWindow(mainWindow_));
    if (!folder_.Folder.empty()) gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), folder_.Folder.c_str());
    return RunAndRemember(dialog, folder_);
}

}  // namespace vellum
