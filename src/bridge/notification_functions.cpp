// The notification family: system.notification presents a desktop notification at once; its
// click comes back to the page as vlm.events.onNotificationClick(name).
#include "bridge/bridge_arguments.h"
#include "bridge/browser_external_module.h"
#include "bridge/function_families.h"

namespace vellum {

void RegisterNotificationFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    dispatcher.Register(TFunctionId::SystemNotification, [&module](const TBridgeRequest& request) {
        TNotification notification;
        notification.Name = ReadArgString(request.Data, "name");
        notification.Title = ReadArgString(request.Data, "title");
        notification.Body = ReadArgString(request.Data, "body");
        INotificationService* service = module.Services().Notifications;
        const bool shown = service != nullptr && service->Show(notification);
        module.PostSuccess(request.Uuid, shown ? "true" : "false");
    });
}

}  // namespace vellum
