#pragma once

#include <functional>
#include <string>
#include <vector>

#include "bridge/browser_external_form.h"
#include "bridge/services/dialog_service.h"

namespace vellum::testing {

// Message boxes as a list of their texts. `WhileShown` runs while a box is up, where a real
// box runs its own message loop.
class TRecordingDialogs final : public IDialogService {
public:
    void ShowMessage(const std::string& text) override {
        Messages.push_back(text);
        if (WhileShown) WhileShown();
        Closed.push_back(text);
    }
    std::vector<std::string> Messages;
    std::vector<std::string> Closed;
    std::function<void()> WhileShown;
};

// The hidden bridge form with a tray icon a test can show.
class TFakeExternalForm final : public TBrowserExternalForm {
public:
    explicit TFakeExternalForm(const bool& iconVisible) : iconVisible_(iconVisible) {}
    bool IconVisible() const override { return iconVisible_; }

private:
    const bool& iconVisible_;
};

}  // namespace vellum::testing
