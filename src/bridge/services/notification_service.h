#pragma once

#include <functional>
#include <string>

namespace vellum {

struct TNotification {
    std::string Name;  // identifies the notification; it comes back when the user clicks it
    std::string Title;
    std::string Body;
    bool operator==(const TNotification&) const = default;
};

// The desktop's notifications (toasts on Windows). The service lives as long as the bridge;
// notifications already on screen stay when it goes.
class INotificationService {
public:
    virtual ~INotificationService() = default;
    // Presents the notification at once. False, and nothing shown, when the desktop offers no
    // notifications. On Windows the first call registers the application so that its
    // notifications can be shown (a Start-menu shortcut carrying its identity).
    virtual bool Show(const TNotification& notification) = 0;
    // Raised on the user-interface thread with the name of a notification this process
    // presented, when the user activates it while the process runs.
    std::function<void(const std::string& name)> OnClick;
};

}  // namespace vellum
