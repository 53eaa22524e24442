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

// The hidden bridge form with a tray icon a test can show, either directly or through the
// menus it holds (when given).
class TFakeExternalForm final : public TBrowserExternalForm {
public:
    explicit TFakeExternalForm(const bool& iconVisible, IMenuService* menus = nullptr)
        : iconVisible_(iconVisible), menus_(menus) {}
    bool IconVisible() const override { return iconVisible_ || (menus_ != nullptr && menus_->IconVisible()); }
    IMenuService* Menus() const override { return menus_; }

private:
    const bool& iconVisible_;
    IMenuService* menus_;
};

}  // namespace vellum::testing
