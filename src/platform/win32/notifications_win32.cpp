#include "platform/win32/notifications_win32.h"

#include <windows.h>

#include "core/system/own_executable.h"
#include "platform/win32/balloon_notifier_win32.h"
#include "platform/win32/toast_notifier_win32.h"
#include "platform/win32/toast_registration_win32.h"

namespace vellum {

namespace {

// SetCurrentProcessExplicitAppUserModelID, looked up: Windows 7 and later have it.
bool SetProcessAppUserModelId(const std::wstring& id) {
    using TSetId = HRESULT(WINAPI*)(const wchar_t*);
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    if (shell == nullptr) shell = LoadLibraryW(L"shell32.dll");
    const auto set = reinterpret_cast<TSetId>(
        reinterpret_cast<void*>(GetProcAddress(shell, "SetCurrentProcessExplicitAppUserModelID")));
    return set != nullptr && SUCCEEDED(set(id.c_str()));
}

void RaiseIfAlive(const std::weak_ptr<TClickSink>& sink, const std::string& name) {
    if (const auto raise = sink.lock()) (*raise)(name);
}

}  // namespace

std::function<void(const std::string& name)> ClickThroughQueue(std::weak_ptr<TClickSink> sink, IUiQueue& uiQueue) {
    IUiQueue* queue = &uiQueue;
    return [sink = std::move(sink), queue](const std::string& name) {
        queue->Post([sink, name] { RaiseIfAlive(sink, name); });
    };
}

TDesktopNotifications::TDesktopNotifications(TOptions options, IUiQueue& uiQueue)
    : options_(std::move(options)), uiQueue_(uiQueue) {
    clickSink_ = std::make_shared<TClickSink>([this](const std::string& name) {
        if (OnClick) OnClick(name);
    });
}

TDesktopNotifications::~TDesktopNotifications() {
    clickSink_.reset();  // clicks still in the queue find nothing to raise
    toasts_.reset();
    balloons_.reset();
}

void* TDesktopNotifications::BalloonWindow() const {
    return balloons_ ? balloons_->Window() : nullptr;
}

void TDesktopNotifications::Decide() {
    if (options_.AllowToasts) {
        toasts_ = TToastNotifier::Load(ClickThroughQueue(clickSink_, uiQueue_));
        if (toasts_) {
            const TToastRegistration registration = ToastRegistrationFor(options_.Executable);
            if (RegisterToastApplication(registration) && SetProcessAppUserModelId(registration.AppUserModelId) &&
                toasts_->CreateNotifier(registration.AppUserModelId)) {
                path_ = TPath::Toast;
                return;
            }
            toasts_.reset();
        }
    }
    path_ = TPath::Balloon;
}

bool TDesktopNotifications::ShowBalloon(const TNotification& notification) {
    if (!balloons_) {
        std::weak_ptr<TClickSink> sink = clickSink_;
        balloons_ = std::make_unique<TBalloonNotifier>(
            options_.DisplayName, [sink](const std::string& name) { RaiseIfAlive(sink, name); });
    }
    return balloons_->Show(notification);
}

bool TDesktopNotifications::Show(const TNotification& notification) {
    if (path_ == TPath::Undecided) Decide();
    // A toast the platform refuses (notifications switched off for the app, a broken service)
    // is shown as a balloon.
    if (path_ == TPath::Toast && toasts_->Show(notification)) return true;
    return ShowBalloon(notification);
}

std::unique_ptr<INotificationService> CreateDesktopNotifications(const std::string& displayName) {
    TDesktopNotifications::TOptions options;
    options.Executable = RunningExecutable().Path();
    options.DisplayName = displayName;
    return std::make_unique<TDesktopNotifications>(std::move(options));
}

}  // namespace vellum
