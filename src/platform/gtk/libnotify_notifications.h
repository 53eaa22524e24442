#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "bridge/services/notification_service.h"
#include "platform/ui_queue.h"

typedef struct _NotifyNotification NotifyNotification;

namespace vellum {

// The desktop's notifications on Linux: the freedesktop notification service through libnotify.
// A click on a notification (the service's "default" action) reaches OnClick through the
// user-interface queue with the notification's name, while this object lives; notifications on
// screen stay when it goes. Page text is sent as plain text: the body is escaped where the
// service reads markup. Use on the GTK main thread, whose main loop delivers the service's
// signals.
class TLibnotifyNotifications final : public INotificationService {
public:
    // `appName` is what the service shows the notifications under.
    TLibnotifyNotifications(std::string appName, IUiQueue& uiQueue);
    ~TLibnotifyNotifications() override;
    TLibnotifyNotifications(const TLibnotifyNotifications&) = delete;
    TLibnotifyNotifications& operator=(const TLibnotifyNotifications&) = delete;

    // False when no notification service answers (none running, no session bus).
    bool Show(const TNotification& notification) override;

    // Notifications shown and not yet closed.
    std::size_t OpenCount() const { return open_.size(); }

    using TClickSink = std::function<void(const std::string& name)>;

private:
    static void Closed(NotifyNotification* notification, void* self);

    std::string appName_;
    IUiQueue& uiQueue_;
    std::shared_ptr<TClickSink> clickSink_;
    std::set<NotifyNotification*> open_;  // one reference each, given up when the service closes it
};

}  // namespace vellum
