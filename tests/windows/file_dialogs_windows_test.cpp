// The system's file dialogs behind the bridge's seam, under Wine: a thread of the test plays the
// user (finds the dialog by its title, types a name, picks a type, confirms or cancels, answers
// the question whether to replace a file) while the test's thread is inside the modal call.
#include "platform/win32/file_dialogs_win32.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/text/utf.h"
#include "item_dialog_controls_win32.h"
#include "platform/win32/wide_string.h"
#include "test_files.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;
using testing::CancelDialog;
using testing::ConfirmDialog;
using testing::DialogFileName;
using testing::OwnedMessageBox;
using testing::SetDialogFileName;

HWND WaitForVisible(const std::function<HWND()>& find, DWORD milliseconds = 20000) {
    const ULONGLONG until = GetTickCount64() + milliseconds;
    do {
        HWND window = find();
        if (window != nullptr && IsWindowVisible(window)) return window;
        Sleep(20);
    } while (GetTickCount64() < until);
    return nullptr;
}

HWND FindDialog(const std::wstring& title) {
    return WaitForVisible([&] { return FindWindowW(L"#32770", title.c_str()); });
}

// Plays the user of the dialog titled `title` on a thread of its own: `act` gets the dialog
// once it is shown. A dialog still open once `act` has returned is cancelled after a while, so
// that a fault fails the test instead of hanging it.
class TDialogUser {
public:
    TDialogUser(std::wstring title, std::function<void(HWND dialog)> act)
        : thread_([this, title = std::move(title), act = std::move(act)] {
              HWND dialog = FindDialog(title);
              if (dialog == nullptr) return;
              found_ = true;
              owner_ = GetWindow(dialog, GW_OWNER);
              act(dialog);
              const ULONGLONG until = GetTickCount64() + 20000;
              while (IsWindow(dialog) && GetTickCount64() < until) Sleep(20);
              if (IsWindow(dialog)) {
                  stuck_ = true;
                  if (HWND box = OwnedMessageBox(dialog)) PostMessageW(box, WM_COMMAND, IDNO, 0);
                  CancelDialog(dialog);
              }
          }) {}
    ~TDialogUser() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    bool Found() const { return found_; }
    bool Stuck() const { return stuck_; }
    HWND Owner() const { return owner_; }

private:
    std::atomic<bool> found_{false}, stuck_{false};
    std::atomic<HWND> owner_{nullptr};
    std::thread thread_;
};

std::string Utf8(const fs::path& path) {
    return PathToUtf8(path);
}

std::wstring WideOf(const fs::path& path) {
    return Wide(PathToUtf8(path));
}

// Types `name`, confirms, and gives the dialog time to close or to ask.
void ChooseName(HWND dialog, const std::wstring& name) {
    ASSERT_TRUE(SetDialogFileName(dialog, name)) << "the dialog has a file-name box";
    ConfirmDialog(dialog);
}

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(apartment_)) << "the test's thread is a single-threaded apartment";
        // The window active at the call owns the dialog.
        owner_ = CreateWindowExW(0, L"Static", L"Dialog owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 400, 300,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(owner_, nullptr);
        SetForegroundWindow(owner_);
        SetActiveWindow(owner_);
        ASSERT_EQ(GetActiveWindow(), owner_);
        testing::WriteFile(dir_ / "first.txt", "1");
        testing::WriteFile(dir_ / "second.txt", "2");
        testing::WriteFile(data_, "keep me");
    }
    void TearDown() override {
        if (owner_ != nullptr) DestroyWindow(owner_);
        if (SUCCEEDED(apartment_)) CoUninitialize();
    }

    const HRESULT apartment_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const testing::TTempDir dir_;
    // A name beyond ASCII: what comes in and goes out is UTF-8.
    const fs::path data_ = dir_.Path() / PathFromUtf8("donn\xC3\xA9" "es.txt");
    HWND owner_ = nullptr;
    TCommonItemDialogs dialogs_;
};

TEST_F(FileDialogs, OpenShowsTheRequestOwnedByTheActiveWindowAndAnswersTheChosenFullPath) {
    std::wstring startName, okCaption;
    TDialogUser user(L"Pick a file \x263A", [&](HWND dialog) {
        startName = DialogFileName(dialog);
        wchar_t caption[64] = {};
        GetDlgItemTextW(dialog, IDOK, caption, 64);
        okCaption = caption;
        ChooseName(dialog, WideOf(data_));
    });
    const std::string chosen =
        dialogs_.OpenFile({.Title = "Pick a file \xE2\x98\xBA", .FileName = "start \xC3\xA9.txt", .FileTypes = {}});
    user.Join();
    ASSERT_TRUE(user.Found()) << "a dialog with the UTF-8 title as its caption";
    EXPECT_FALSE(user.Stuck());
    EXPECT_EQ(user.Owner(), owner_);
    EXPECT_EQ(startName, L"start \x00E9.txt");
    EXPECT_EQ(okCaption, L"&Open");
    EXPECT_EQ(chosen, Utf8(data_));
}

TEST_F(FileDialogs, CancelAnswersTheEmptyText) {
    struct TCase {
        const wchar_t* Title;
        std::function<std::string(TCommonItemDialogs&)> Call;
    };
    const TCase cases[] = {
        {L"Open, cancelled", [](auto& d) { return d.OpenFile({.Title = "Open, cancelled", .FileName = "x", .FileTypes = {}}); }},
        {L"Save, cancelled", [](auto& d) { return d.SaveFile({.Title = "Save, cancelled", .FileName = "x", .FileTypes = {}}, true); }},
        {L"Folder, cancelled", [](auto& d) { return d.SelectFolder("Folder, cancelled"); }},
    };
    for (const TCase& c : cases) {
        TDialogUser user(c.Title, [](HWND dialog) { CancelDialog(dialog); });
        const std::string answer = c.Call(dialogs_);
        user.Join();
        EXPECT_TRUE(user.Found()) << c.Title;
        EXPECT_EQ(answer, "") << c.Title;
    }
}

TEST_F(FileDialogs, ASecondCallStartsWhereTheFirstEnded) {
    const std::vector<TFileType> types = {{"Text files", "*.txt"}, {"All files", "*.*"}};
    int typeShownSecond = 0;
    {
        // The first call ends in the test's folder, with the second type picked.
        TDialogUser user(L"Open, first", [&](HWND dialog) {
            EXPECT_TRUE(testing::SelectDialogFileType(dialog, 2));
            ChooseName(dialog, WideOf(dir_ / "first.txt"));
        });
        EXPECT_EQ(dialogs_.OpenFile({.Title = "Open, first", .FileName = "", .FileTypes = types}),
                  Utf8(dir_ / "first.txt"));
    }
    {
        // A bare name is taken in the folder the dialog starts in.
        TDialogUser user(L"Open, second", [&](HWND dialog) {
            typeShownSecond = testing::SelectedDialogFileType(dialog);
            ChooseName(dialog, L"second.txt");
        });
        EXPECT_EQ(dialogs_.OpenFile({.Title = "Open, second", .FileName = "", .FileTypes = types}),
                  Utf8(dir_ / "second.txt"));
        user.Join();
        EXPECT_FALSE(user.Stuck());
    }
    EXPECT_EQ(typeShownSecond, 2) << "the type the user picked last";

    // Each dialog keeps its own: the save dialog has not been anywhere yet, the folder dialog
    // starts beside the folder it chose.
    fs::create_directory(dir_ / "one");
    fs::create_directory(dir_ / "two");
    {
        TDialogUser user(L"Folder, first", [&](HWND dialog) { ChooseName(dialog, WideOf(dir_ / "one")); });
        EXPECT_EQ(dialogs_.SelectFolder("Folder, first"), Utf8(dir_ / "one"));
    }
    {
        TDialogUser user(L"Folder, second", [&](HWND dialog) { ChooseName(dialog, L"two"); });
        EXPECT_EQ(dialogs_.SelectFolder("Folder, second"), Utf8(dir_ / "two"));
    }
}

// A folder typed and confirmed is opened, not chosen; cancelled there, the dialog still ends in it.
TEST_F(FileDialogs, ACancelledCallEndsInTheFolderItShowed) {
    fs::create_directory(dir_ / "inner");
    testing::WriteFile(dir_ / "inner" / "found.txt", "3");
    {
        // Both posted, so read in order: the folder is open before the cancel arrives.
        TDialogUser user(L"Open, browsing", [&](HWND dialog) {
            ChooseName(dialog, WideOf(dir_ / "inner"));
            CancelDialog(dialog);
        });
        EXPECT_EQ(dialogs_.OpenFile({.Title = "Open, browsing", .FileName = "", .FileTypes = {}}), "");
    }
    TDialogUser user(L"Open, after browsing", [&](HWND dialog) { ChooseName(dialog, L"found.txt"); });
    EXPECT_EQ(dialogs_.OpenFile({.Title = "Open, after browsing", .FileName = "", .FileTypes = {}}),
              Utf8(dir_ / "inner" / "found.txt"));
    user.Join();
    EXPECT_FALSE(user.Stuck());
}

TEST_F(FileDialogs, SaveAsksBeforeReplacingOnlyWhenTold) {
    // With the question on: "No" keeps the dialog open, "Yes" chooses the file.
    int questions = 0;
    bool openAfterNo = false;
    {
        TDialogUser user(L"Save, asking", [&](HWND dialog) {
            ChooseName(dialog, WideOf(data_));
            HWND box = WaitForVisible([&] { return OwnedMessageBox(dialog); });
            if (box == nullptr) return;
            ++questions;
            PostMessageW(box, WM_COMMAND, IDNO, 0);
            WaitForVisible([&] { return OwnedMessageBox(dialog) == nullptr ? dialog : nullptr; });
            openAfterNo = IsWindowVisible(dialog) != 0;
            ConfirmDialog(dialog);
            box = WaitForVisible([&] { return OwnedMessageBox(dialog); });
            if (box == nullptr) return;
            ++questions;
            PostMessageW(box, WM_COMMAND, IDYES, 0);
        });
        EXPECT_EQ(dialogs_.SaveFile({.Title = "Save, asking", .FileName = "", .FileTypes = {}}, true), Utf8(data_));
        user.Join();
        EXPECT_FALSE(user.Stuck());
    }
    EXPECT_EQ(questions, 2);
    EXPECT_TRUE(openAfterNo);

    // With it off the existing file is chosen at once; a name without extension stays as
    // typed: no default extension is set. (Wine, unlike Windows, adds the extension of a picked
    // type such as "*.txt" even then, so that case runs without a type list.)
    struct TCase {
        std::wstring Typed;
        std::vector<TFileType> Types;
        fs::path Expected;
    };
    const TCase cases[] = {{WideOf(data_), {{"Text files", "*.txt"}}, data_},
                           {WideOf(dir_ / "plain"), {}, dir_ / "plain"}};
    for (const TCase& c : cases) {
        bool asked = false;
        TDialogUser user(L"Save, not asking", [&](HWND dialog) {
            ChooseName(dialog, c.Typed);
            while (IsWindow(dialog) && !asked) {
                if (HWND box = OwnedMessageBox(dialog)) {
                    asked = true;
                    PostMessageW(box, WM_COMMAND, IDYES, 0);
                }
                Sleep(20);
            }
        });
        EXPECT_EQ(dialogs_.SaveFile({.Title = "Save, not asking", .FileName = "", .FileTypes = c.Types}, false),
                  Utf8(c.Expected));
        user.Join();
        EXPECT_FALSE(asked) << Utf8(c.Expected);
    }
    EXPECT_EQ(testing::ReadFile(data_), testing::BytesOf("keep me")) << "choosing a name writes nothing";
}

TEST_F(FileDialogs, FolderPickAnswersTheFolderAsTheSystemGivesIt) {
    const fs::path folder = dir_.Path() / PathFromUtf8("d\xC3\xA9j\xC3\xA0");
    fs::create_directory(folder);
    TDialogUser user(L"Choose a folder", [&](HWND dialog) { ChooseName(dialog, WideOf(folder)); });
    EXPECT_EQ(dialogs_.SelectFolder("Choose a folder"), Utf8(folder));
    user.Join();
    EXPECT_TRUE(user.Found());
}

// Without COM on the calling thread no dialog can be made: every call answers "" at once.
TEST_F(FileDialogs, AThreadWithoutComGetsTheEmptyTextAndNoDialog) {
    std::string open = "unset", save = "unset", folder = "unset";
    std::thread([&] {
        TCommonItemDialogs dialogs;
        open = dialogs.OpenFile({.Title = "Never shown", .FileName = "", .FileTypes = {}});
        save = dialogs.SaveFile({.Title = "Never shown", .FileName = "", .FileTypes = {}}, true);
        folder = dialogs.SelectFolder("Never shown");
    }).join();
    EXPECT_EQ(open, "");
    EXPECT_EQ(save, "");
    EXPECT_EQ(folder, "");
    EXPECT_EQ(FindWindowW(L"#32770", L"Never shown"), nullptr);
}

}  // namespace
}  // namespace vellum
