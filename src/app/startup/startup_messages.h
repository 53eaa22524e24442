#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace vellum {

// Ten strings: entry 0 is the table's language code, entries 1 to 9 have fixed roles (error
// title, confirmation title, accept caption, cancel caption, and five messages).
using TStartupMessageTable = std::array<const char*, 10>;

extern const TStartupMessageTable StartupMessagesDefault;                   // "en"
extern const std::array<TStartupMessageTable, 5> StartupMessagesLanguages;  // es, it, de, fr, zh

// Entry `Index` in the user's language (asked anew on every call), else the default table's.
// Throws EVellumError("MessageIndex is out of range!") for an index outside 0 to 9.
std::string GetLocalizedMessage(int Index);
// The same with the language code given, for tests and callers that know it.
std::string GetLocalizedMessageFor(int Index, const std::string& languageCode);

// The kinds and buttons of the startup dialog, in their enumeration order.
enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum class TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp,
    mbClose
};

// Modal results of the dialog's buttons; closing the window gives mrCancel.
constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
              mrClose = 8, mrHelp = 9, mrAll = 12, mrNoToAll = 13, mrYesToAll = 14;

int ModalResultOf(TMsgDlgBtn button);
const char* StandardCaptionOf(TMsgDlgBtn button);

// The dialog's layout decisions, apart from drawing it: buttons in enumeration order, the
// default button (OK, else Yes, else Retry) and the one Escape presses (Cancel, else No, else
// OK; none otherwise), and each button's caption (Captions in layout order, then standard).
struct TStartupDialogLayout {
    struct TButton {
        TMsgDlgBtn Kind;
        std::string Caption;
        int ModalResult;
    };
    std::vector<TButton> Buttons;
    int DefaultIndex = -1;
    int EscapeIndex = -1;
};
TStartupDialogLayout LayOutStartupDialog(const std::vector<TMsgDlgBtn>& Buttons,
                                         const std::vector<std::string>& Captions);

// Shows the standard modal message dialog and returns the modal result of the button that
// closed it (mrCancel when its window was closed).
int ShowStartupDialog(const std::string& Msg, TMsgDlgType Kind, const std::vector<TMsgDlgBtn>& Buttons,
                      const std::vector<std::string>& Captions, const std::string& Title);

}  // namespace vellum
