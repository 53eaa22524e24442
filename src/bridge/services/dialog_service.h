#pragma once

#include <string>

namespace vellum {

// The host's modal dialogs. Each runs its own message loop, so the bridge calls it only from
// its queued dispatch, never inside a browser engine's event.
class IDialogService {
public:
    virtual ~IDialogService() = default;
    // A modal box with an OK button, owned by the active window.
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace vellum
