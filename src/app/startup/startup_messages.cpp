#include "app/startup/startup_messages.h"

#include <algorithm>

#include "core/errors.h"
#include "platform/user_locale.h"

namespace vellum {

std::string GetLocalizedMessageFor(int Index, const std::string& languageCode) {
    if (Index < 0 || Index >= static_cast<int>(StartupMessagesDefault.size()))
        throw EVellumError("MessageIndex is out of range!");
    for (const TStartupMessageTable& table : StartupMessagesLanguages)
        if (languageCode == table[0]) return table[static_cast<std::size_t>(Index)];
    return StartupMessagesDefault[static_cast<std::size_t>(Index)];
}

std::string GetLocalizedMessage(int Index) {
    if (Index < 0 || Index >= static_cast<int>(StartupMessagesDefault.size()))
        throw EVellumError("MessageIndex is out of range!");
    return GetLocalizedMessageFor(Index, GetUserLanguageCode());
}

int ModalResultOf(TMsgDlgBtn button) {
    switch (button) {
        case TMsgDlgBtn::mbYes: return mrYes;
        case TMsgDlgBtn::mbNo: return mrNo;
        case TMsgDlgBtn::mbOK: return mrOk;
        case TMsgDlgBtn::mbCancel: return mrCancel;
        case TMsgDlgBtn::mbAbort: return mrAbort;
        case TMsgDlgBtn::mbRetry: return mrRetry;
        case TMsgDlgBtn::mbIgnore: return mrIgnore;
        case TMsgDlgBtn::mbAll: return mrAll;
        case TMsgDlgBtn::mbNoToAll: return mrNoToAll;
        case TMsgDlgBtn::mbYesToAll: return mrYesToAll;
        case TMsgDlgBtn::mbHelp: return mrHelp;
        case TMsgDlgBtn::mbClose: return mrClose;
    }
    return mrNone;
}

const char* StandardCaptionOf(TMsgDlgBtn button) {
    switch (button) {
        case TMsgDlgBtn::mbYes: return "&Yes";
        case TMsgDlgBtn::mbNo: return "&No";
        case TMsgDlgBtn::mbOK: return "OK";
        case TMsgDlgBtn::mbCancel: return "Cancel";
        case TMsgDlgBtn::mbAbort: return "&Abort";
        case TMsgDlgBtn::mbRetry: return "&Retry";
        case TMsgDlgBtn::mbIgnore: return "&Ignore";
        case TMsgDlgBtn::mbAll: return "&All";
        case TMsgDlgBtn::mbNoToAll: return "N&o to All";
        case TMsgDlgBtn::mbYesToAll: return "Yes to &All";
        case TMsgDlgBtn::mbHelp: return "&Help";
        case TMsgDlgBtn::mbClose: return "&Close";
    }
    return "";
}

TStartupDialogLayout LayOutStartupDialog(const std::vector<TMsgDlgBtn>& Buttons,
                                         const std::vector<std::string>& Captions) {
    std::vector<TMsgDlgBtn> ordered = Buttons;
    std::sort(ordered.begin(), ordered.end());
    ordered.erase(std::unique(ordered.begin(), ordered.end()), ordered.end());

    TStartupDialogLayout layout;
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        const std::string caption = i < Captions.size() ? Captions[i] : StandardCaptionOf(ordered[i]);
        layout.Buttons.push_back({ordered[i], caption, ModalResultOf(ordered[i])});
    }
    auto indexOf = [&](TMsgDlgBtn kind) {
        const auto found = std::find(ordered.begin(), ordered.end(), kind);
        return found == ordered.end() ? -1 : static_cast<int>(found - ordered.begin());
    };
    for (const TMsgDlgBtn kind : {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbYes, TMsgDlgBtn::mbRetry})
        if (layout.DefaultIndex < 0) layout.DefaultIndex = indexOf(kind);
    for (const TMsgDlgBtn kind : {TMsgDlgBtn::mbCancel, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbOK})
        if (layout.EscapeIndex < 0) layout.EscapeIndex = indexOf(kind);
    return layout;
}

}  // namespace vellum
