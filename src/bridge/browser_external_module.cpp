#include "bridge/browser_external_module.h"

#include "bridge/bridge_arguments.h"
#include "bridge/function_families.h"
#include "bridge/page_event_scripts.h"
#include "bridge/tray_tooltip.h"

namespace vellum {

TBrowserExternalModule::TBrowserExternalModule(TBridgeServices services, IUiQueue& uiQueue)
    : services_(std::move(services)),
      uiQueue_(uiQueue),
      dispatcher_(*this),
      requests_(
          uiQueue, [this](const TPageMessage& message) { DispatchRequest(message); },
          [this](std::exception_ptr error) { ReportRequestError(error); }) {
    DataModuleCreate();
    RegisterLibraryFunctions(*this, dispatcher_);
    RegisterAppFunctions(*this, dispatcher_);
    RegisterWindowFunctions(*this, dispatcher_);
    RegisterNotificationFunctions(*this, dispatcher_);
    RegisterShellFunctions(*this, dispatcher_);
    RegisterSystemFunctions(*this, dispatcher_);
    RegisterRegistryFunctions(*this, dispatcher_);
    RegisterThemeFunctions(*this, dispatcher_);
    RegisterDialogFunctions(*this, dispatcher_);
    RegisterFileFunctions(*this, dispatcher_);
    RegisterFolderFunctions(*this, dispatcher_);
    RegisterBase64Functions(*this, dispatcher_);
    RegisterMenuFunctions(*this, dispatcher_);
}

TBrowserExternalModule::~TBrowserExternalModule() {
    DataModuleDestroy();
}

void TBrowserExternalModule::ClearReferences() {
    ExeZip = nullptr;
    MainForm = nullptr;
    ProjectINI = nullptr;
    BrowserForm = nullptr;
    OnAppCloseRequest = nullptr;
}

void TBrowserExternalModule::DataModuleCreate() {
    ClearReferences();
    InFullscreen = false;
    FBrowserExternalForm = services_.CreateExternalForm ? services_.CreateExternalForm() : CreateBrowserExternalForm();
    if (IMenuService* menus = FBrowserExternalForm->Menus()) {
        menus->SetIconTooltip(TrayIconTooltip(services_.Host.ExecutablePath));
        menus->OnTrayIconClick = [this] { RunPageScript(kTrayIconClickScript); };
        menus->MainMenu().OnItemClick = [this](std::int32_t id) { RunPageScript(MainMenuItemClickScript(id)); };
        menus->TrayMenu().OnItemClick = [this](std::int32_t id) { RunPageScript(TrayMenuItemClickScript(id)); };
    }
    if (services_.Notifications != nullptr)
        services_.Notifications->OnClick = [this](const std::string& name) {
            RunPageScript(NotificationClickScript(name));
        };
}

void TBrowserExternalModule::DataModuleDestroy() {
    // The service may outlive the module: a notification clicked later raises nothing.
    if (services_.Notifications != nullptr) services_.Notifications->OnClick = nullptr;
    ClearReferences();
    // Menus that outlive the module (a test's) raise nothing into it afterwards.
    if (IMenuService* menus = FBrowserExternalForm ? FBrowserExternalForm->Menus() : nullptr) {
        menus->OnTrayIconClick = nullptr;
        menus->MainMenu().OnItemClick = nullptr;
        menus->TrayMenu().OnItemClick = nullptr;
    }
    FBrowserExternalForm.reset();
}

void TBrowserExternalModule::EdgeBrowserWebMessageReceived(const TPageMessage& message) {
    requests_.Enqueue(message);
}

void TBrowserExternalModule::PostAnswer(const std::string& uuid, const std::string& result, bool success) {
    // A page that cannot take the answer (it is not JSON, the page is gone) gets nothing.
    if (BrowserForm != nullptr) BrowserForm->PostWebMessageAsJson(FormatBridgeAnswer(uuid, result, success));
}

void TBrowserExternalModule::RunPageScript(const std::string& script) {
    if (BrowserForm != nullptr) BrowserForm->ExecuteScript(script);
}

void TBrowserExternalModule::RequestAppClose() {
    // The window closes once the dispatch has returned; what the page asked after app.close is
    // not run against a window that is going.
    requests_.Stop();
    if (OnAppCloseRequest) OnAppCloseRequest(this);
}

void TBrowserExternalModule::ReportRequestError(std::exception_ptr error) {
    if (services_.ReportError) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& raised) {
            services_.ReportError(raised);
            return;
        } catch (...) {
        }
    }
    // Otherwise the application's own handling of errors raised while handling a message.
    uiQueue_.Post([error] { std::rethrow_exception(error); });
}

void TBrowserExternalModule::PreviewClicked() {
    if (services_.FocusWindowAbovePage) services_.FocusWindowAbovePage(2);
    if (BrowserForm != nullptr) BrowserForm->SetFocus();
}

void TBrowserExternalModule::ShowPreviewMessage(const std::string& text) {
    if (services_.Dialogs != nullptr) services_.Dialogs->ShowMessage(text);
}

}  // namespace vellum
