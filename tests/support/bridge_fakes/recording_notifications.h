#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "bridge/services/notification_service.h"

namespace vellum::testing {

// Notifications kept in the order they were shown; a test clicks one of them as the user would.
class TRecordingNotifications final : public INotificationService {
public:
    bool Show(const TNotification& notification) override {
        if (!Available) return false;
        Shown.push_back(notification);
        return true;
    }

    // The user activates the notification shown `index`-th (from 0): only shown ones can be.
    void Click(std::size_t index) {
        const std::string name = Shown.at(index).Name;
        if (OnClick) OnClick(name);
    }

    bool Available = true;  // false: a desktop without notifications
    std::vector<TNotification> Shown;
};

}  // namespace vellum::testing
