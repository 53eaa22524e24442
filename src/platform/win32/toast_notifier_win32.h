#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bridge/services/notification_service.h"
#include "platform/win32/toast_abi_win32.h"

namespace vellum {

// Toasts through the Windows notification platform (Windows 8 and later). The runtime's
// functions are looked up at run time, so that the program still starts where they are missing.
class TToastNotifier {
public:
    // Raised with the notification's name when the user activates a toast; on whatever thread
    // the platform chooses.
    using TActivated = std::function<void(const std::string& name)>;

    // The toast service's factories, or nullptr when the system has none (older Windows, Wine).
    // COM must be initialised on the calling thread (the user-interface thread's OleInitialize
    // serves: a single-threaded apartment can activate Windows Runtime classes).
    static std::unique_ptr<TToastNotifier> Load(TActivated onActivated);
    ~TToastNotifier();
    TToastNotifier(const TToastNotifier&) = delete;
    TToastNotifier& operator=(const TToastNotifier&) = delete;

    // The notifier for the application identity; the identity must be registered first.
    bool CreateNotifier(const std::wstring& appUserModelId);
    // Presents the toast at once; false when the platform refused it.
    bool Show(const TNotification& notification);

private:
    struct TShown {
        toast_abi::IToastNotification* Toast;
        toast_abi::TEventRegistrationToken Token;
    };
    TToastNotifier() = default;
    void Forget(const TShown& shown);

    TActivated onActivated_;
    toast_abi::IToastNotificationManagerStatics* manager_ = nullptr;
    toast_abi::IToastNotificationFactory* factory_ = nullptr;
    toast_abi::IToastNotifier* notifier_ = nullptr;
    // The platform raises a click on the toast object: the latest toasts are kept, with their
    // handlers, so that their clicks arrive while the process runs.
    std::vector<TShown> shown_;
};

}  // namespace vellum
