#include "platform/gtk/libnotify_notifications.h"

#include <libnotify/notify.h>

#include "core/text/utf.h"
#include "platform/notification_content.h"

namespace vellum {

namespace {

std::string WellFormed(const std::string& text) {
    return IsValidUtf8(text) ? text : Utf16ToUtf8(Utf8ToUtf16(text));
}

bool ServerReadsBodyMarkup() {
    GList* caps = notify_get_server_caps();
    bool markup = false;
    for (GList* item = caps; item != nullptr; item = item->next)
        if (g_strcmp0(static_cast<const char*>(item->data), "body-markup") == 0) markup = true;
    g_list_free_full(caps, g_free);
    return markup;
}

// What a click carries to the user-interface queue; freed with the notification.
struct TClickRoute {
    std::weak_ptr<TLibnotifyNotifications::TClickSink> Sink;
    IUiQueue* Queue;
    std::string Name;
};

void DefaultAction(NotifyNotification*, char*, gpointer data) {
    const auto* route = static_cast<TClickRoute*>(data);
    route->Queue->Post([sink = route->Sink, name = route->Name] {
        if (const auto alive = sink.lock())
            if (*alive) (*alive)(name);
    });
}

void FreeRoute(gpointer data) {
    delete static_cast<TClickRoute*>(data);
}

}  // namespace

TLibnotifyNotifications::TLibnotifyNotifications(std::string appName, IUiQueue& uiQueue)
    : appName_(WellFormed(appName)), uiQueue_(uiQueue) {
    clickSink_ = std::make_shared<TClickSink>([this](const std::string& name) {
        if (OnClick) OnClick(name);
    });
}

TLibnotifyNotifications::~TLibnotifyNotifications() {
    clickSink_.reset();  // clicks still in the queue find nothing to raise
    for (NotifyNotification* notification : open_) {
        g_signal_handlers_disconnect_by_data(notification, this);
        g_object_unref(notification);
    }
}

void TLibnotifyNotifications::Closed(NotifyNotification* notification, void* self) {
    auto* owner = static_cast<TLibnotifyNotifications*>(self);
    if (owner->open_.erase(notification) == 1) {
        g_signal_handlers_disconnect_by_data(notification, self);
        g_object_unref(notification);
    }
}

bool TLibnotifyNotifications::Show(const TNotification& notification) {
    if (!notify_is_initted() && !notify_init(appName_.empty() ? "Vellum" : appName_.c_str())) return false;
    const std::string body = WellFormed(notification.Body);
    NotifyNotification* shown = notify_notification_new(WellFormed(notification.Title).c_str(),
                                                        ServerReadsBodyMarkup() ? XmlEscaped(body).c_str() : body.c_str(),
                                                        nullptr);
    notify_notification_set_app_name(shown, appName_.empty() ? nullptr : appName_.c_str());
    // "default" is the action a service runs when the notification itself is clicked.
    notify_notification_add_action(shown, "default", "Open", DefaultAction,
                                   new TClickRoute{clickSink_, &uiQueue_, notification.Name}, FreeRoute);
    GError* error = nullptr;
    if (!notify_notification_show(shown, &error)) {
        if (error != nullptr) g_error_free(error);
        g_object_unref(shown);
        return false;
    }
    // Kept until closed: libnotify delivers a notification's actions only while it lives.
    g_signal_connect(shown, "closed", G_CALLBACK(Closed), this);
    open_.insert(shown);
    return true;
}

}  // namespace vellum
