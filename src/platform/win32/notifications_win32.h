#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "bridge/services/notification_service.h"
#include "platform/ui_queue.h"

namespace vellum {

class TToastNotifier;
class TBalloonNotifier;

using TClickSink = std::function<void(const std::string& name)>;

// A toast click as the platform raises it, on a thread of its own: only the name crosses over,
// to `uiQueue`, whose thread raises it through `sink` if the sink still exists then.
std::function<void(const std::string& name)> ClickThroughQueue(std::weak_ptr<TClickSink> sink, IUiQueue& uiQueue);

// The desktop's notifications on Windows: toasts where the notification platform offers them
// (Windows 8 and later), otherwise balloons of a notification-area icon of its own. Created and
// used on the user-interface thread; clicks are raised there, and never after it is gone.
class TDesktopNotifications final : public INotificationService {
public:
    enum class TPath { Undecided, Toast, Balloon };

    struct TOptions {
        std::filesystem::path Executable;  // the program the toasts are shown for
        std::string DisplayName;           // the balloon icon's tool tip
        bool AllowToasts = true;           // false: balloons only (tests)
    };

    TDesktopNotifications(TOptions options, IUiQueue& uiQueue = MainThreadUiQueue());
    ~TDesktopNotifications() override;

    bool Show(const TNotification& notification) override;

    // Which way notifications go; decided by the first Show.
    TPath Path() const { return path_; }
    // The balloon notifier's window once balloons are in use, else nullptr.
    void* BalloonWindow() const;

private:
    void Decide();
    bool ShowBalloon(const TNotification& notification);

    TOptions options_;
    IUiQueue& uiQueue_;
    // Clicks arriving on the platform's threads reach OnClick through the user-interface queue
    // only while this lives.
    std::shared_ptr<TClickSink> clickSink_;
    TPath path_ = TPath::Undecided;
    std::unique_ptr<TToastNotifier> toasts_;
    std::unique_ptr<TBalloonNotifier> balloons_;
};

// The notification service of the running program.
std::unique_ptr<INotificationService> CreateDesktopNotifications(const std::string& displayName);

}  // namespace vellum
