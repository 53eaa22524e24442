#include "app/bridge/browser_external_module.h"

#include <charconv>

#include "app/bridge/bridge_arguments.h"
#include "app/browser_form/browser_form.h"
#include "core/errors.h"
#include "core/text/str_utils.h"
#include "webview2/wide_text.h"

namespace vellum {

using namespace webview2;

namespace {

const char* const kRuntimeVersion = "2025.10";
const char* const kPreviewClick = "vlm-webbrowser-clicked";
const char* const kTrayIconClickScript = "vlm.events.onTrayIconClick();";

// The whole text must be a 32-bit integer.
bool ParseFunctionId(const std::string& text, std::int32_t& id) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

TBrowserExternalModule::TBrowserExternalModule(IBridgePlatform& platform) : platform_(platform) {
    DataModuleCreate();
    RegisterHandlers();
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
    FBrowserExternalForm = CreateBrowserExternalForm();
    FBrowserExternalForm->OnTrayIconClick = [this] { RunPageScript(kTrayIconClickScript); };
}

void TBrowserExternalModule::DataModuleDestroy() {
    ClearReferences();
    FBrowserExternalForm.reset();
}

void TBrowserExternalModule::RegisterHandlers() {
    const auto without = [this](void (TBrowserExternalModule::*handler)(const std::string&)) {
        return THandler{false,
                        [this, handler](const std::string& uuid, const nlohmann::json&) { (this->*handler)(uuid); }};
    };
    handlers_[10001] = without(&TBrowserExternalModule::Hello);
    handlers_[10002] = without(&TBrowserExternalModule::IsRuntime);
    handlers_[50001] = without(&TBrowserExternalModule::AppClose);
}

void TBrowserExternalModule::EdgeBrowserWebMessageReceived(TCustomEdgeBrowser* Sender,
                                                           TWebMessageReceivedEventArgs& Args) {
    ICoreWebView2WebMessageReceivedEventArgs* args = Args.ArgsInterface();
    LPWSTR plain = nullptr;
    args->TryGetWebMessageAsString(&plain);
    const std::string text = TakeWideString(plain);
    if (ExeZip == nullptr && text == kPreviewClick) {
        if (Sender != nullptr) {
            platform_.FocusWindowAbove(*Sender, 2);
            Sender->SetFocus();
        }
        return;
    }
    LPWSTR jsonText = nullptr;
    args->get_WebMessageAsJson(&jsonText);
    // The parsed message is a local: it goes on every path, also when a read or a handler
    // raises, and it is owned by neither the module nor the form that app.close frees.
    const nlohmann::json message = nlohmann::json::parse(TakeWideString(jsonText), nullptr, false);
    const std::string idText = ReadRequestText(message, "id");
    const std::string uuid = ReadRequestText(message, "uuid");
    if (!message.contains("data")) throw EVellumError("Value 'data' not found");
    const nlohmann::json& data = message["data"];
    if (!data.is_object()) throw EConvertError("Value 'data' is not an object");
    std::int32_t id = 0;
    if (!ParseFunctionId(idText, id)) return;
    const auto handler = handlers_.find(id);
    if (handler == handlers_.end()) return;
    handler->second.Run(uuid, data);
}

void TBrowserExternalModule::PostAnswer(const std::string& uuid, const std::string& result, bool success) {
    if (BrowserForm == nullptr) return;
    ICoreWebView2* view = BrowserForm->EdgeBrowser().DefaultInterface();
    if (view != nullptr) view->PostWebMessageAsJson(TWideText(FormatBridgeAnswer(uuid, result, success)).Get());
}

void TBrowserExternalModule::RunPageScript(const std::string& script) {
    if (BrowserForm != nullptr) BrowserForm->EdgeBrowser().ExecuteScript(script);
}

void TBrowserExternalModule::Hello(const std::string& uuid) {
    PostSuccess(uuid, TStrUtils::StringToJsonString(kRuntimeVersion));
}

void TBrowserExternalModule::IsRuntime(const std::string& uuid) {
    PostSuccess(uuid, ExeZip != nullptr ? "true" : "false");
}

void TBrowserExternalModule::AppClose(const std::string&) {
    // The handler may end the main window; nothing touches the module after it.
    if (OnAppCloseRequest) OnAppCloseRequest(this);
}

std::string NotificationClickScript(const std::string& notificationName) {
    std::string escaped;
    for (const char c : notificationName) {
        switch (c) {
            case '\\': escaped += "\\\\"; break;
            case '"': escaped += "\\\""; break;
            case '\n': escaped += "\\n"; break;
            case '\r': escaped += "\\r"; break;
            default: escaped += c;
        }
    }
    // U+2028 and U+2029 end a line inside a JavaScript string literal too.
    std::string result;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped.compare(i, 3, "\xE2\x80\xA8") == 0) {
            result += "\\u2028";
            i += 2;
        } else if (escaped.compare(i, 3, "\xE2\x80\xA9") == 0) {
            result += "\\u2029";
            i += 2;
        } else {
            result += escaped[i];
        }
    }
    return "vlm.events.onNotificationClick(\"" + result + "\");";
}

}  // namespace vellum
