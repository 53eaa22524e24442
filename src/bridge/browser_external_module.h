#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "bridge/bridge_dispatcher.h"
#include "bridge/browser_external_form.h"
#include "bridge/request_queue.h"
#include "bridge/services/dialog_service.h"
#include "bridge/services/file_dialog_service.h"
#include "bridge/services/host_info.h"
#include "bridge/services/main_window_service.h"
#include "bridge/services/notification_service.h"
#include "bridge/services/registry_service.h"
#include "bridge/services/shell_service.h"
#include "bridge/services/style_service.h"
#include "browser/browser_page.h"
#include "platform/ui_queue.h"

namespace vellum {

class TZipArchive;
class TAppSettings;

// The desktop services the bridge's functions use, given to the module when it is created.
struct TBridgeServices {
    IDialogService* Dialogs = nullptr;
    IFileDialogService* FileDialogs = nullptr;
    IShellService* Shell = nullptr;
    INotificationService* Notifications = nullptr;
    IRegistryService* Registry = nullptr;
    IStyleService* Styles = nullptr;
    THostInfo Host;
    // Gives the keyboard focus to the window `levels` above the page's window.
    std::function<void(int levels)> FocusWindowAbovePage;
    std::function<std::unique_ptr<TBrowserExternalForm>()> CreateExternalForm = [] { return CreateBrowserExternalForm(); };
    // Tells the user of an error a request raised and no handler caught, before the next
    // request is dispatched (a modal box: requests that arrive meanwhile wait). Without it the
    // error is raised again from the user-interface queue.
    std::function<void(const std::exception& error)> ReportError;
};

// The host side of the bridge: page requests arrive as messages, wait until the engine's event
// has returned, are dispatched by their function identifier and answered with a message
// carrying the request's uuid. The functions live in one source file per family.
class TBrowserExternalModule final : private IBridgeHost {
public:
    using TNotifyEvent = std::function<void(TBrowserExternalModule* Sender)>;

    explicit TBrowserExternalModule(TBridgeServices services, IUiQueue& uiQueue = MainThreadUiQueue());
    ~TBrowserExternalModule() override;
    TBrowserExternalModule(const TBrowserExternalModule&) = delete;
    TBrowserExternalModule& operator=(const TBrowserExternalModule&) = delete;

    // The page's message event: the message is kept and dispatched once the event has returned.
    void EdgeBrowserWebMessageReceived(const TPageMessage& message);
    // Runs the dispatcher on one message now (the queue calls it).
    void DispatchRequest(const TPageMessage& message) { dispatcher_.Dispatch(message); }

    void PostAnswer(const std::string& uuid, const std::string& result, bool success);
    void PostSuccess(const std::string& uuid, const std::string& result) { PostAnswer(uuid, result, true); }
    void PostFailure(const std::string& uuid, const std::string& result) { PostAnswer(uuid, result, false); }
    // Runs a page-event script, for example "vlm.events.onCloseQuery();".
    void RunPageScript(const std::string& script);
    // app.close: no request after it is dispatched, then the main window is asked to close.
    void RequestAppClose();

    IAppMainWindow* MainForm = nullptr;
    const TZipArchive* ExeZip = nullptr;  // unassigned: preview mode
    bool InFullscreen = false;
    const TAppSettings* ProjectINI = nullptr;
    IBrowserPage* BrowserForm = nullptr;  // the browser form's page
    TNotifyEvent OnAppCloseRequest;

    TBrowserExternalForm& BrowserExternalForm() { return *FBrowserExternalForm; }
    const TBridgeServices& Services() const { return services_; }
    const TPageRequestQueue& Requests() const { return requests_; }
    bool Serves(TFunctionId id) const { return dispatcher_.Serves(id); }

private:
    void ClearReferences();
    void DataModuleCreate();
    void DataModuleDestroy();
    bool InRuntimeMode() const override { return ExeZip != nullptr; }
    void PreviewClicked() override;
    void ShowPreviewMessage(const std::string& text) override;
    void ReportRequestError(std::exception_ptr error);

    TBridgeServices services_;
    IUiQueue& uiQueue_;
    std::unique_ptr<TBrowserExternalForm> FBrowserExternalForm;
    TBridgeDispatcher dispatcher_;
    TPageRequestQueue requests_;
};

}  // namespace vellum
