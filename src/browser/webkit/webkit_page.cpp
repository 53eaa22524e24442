#include "browser/webkit/webkit_page.h"

#include <webkit2/webkit2.h>

#include <cstring>
#include <nlohmann/json.hpp>
#include <filesystem>
#include <string_view>
#include <vector>

#include "browser/webkit/page_scheme.h"
#include "browser/webkit/page_shim_script.h"
#include "browser/webkit/web_extension_install.h"
#include "core/text/ascii_case.h"
#include "core/text/wildcard_mask.h"

namespace vellum {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool IsFileAddress(std::string_view uri) { return StartsWithIgnoringCase(uri, "file:"); }

std::string Trim(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    return std::string(text.substr(begin, end - begin));
}

// One response header line "Name: value", or nothing when the line holds no colon.
bool SplitHeader(std::string_view line, std::string& name, std::string& value) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    name = Trim(line.substr(0, colon));
    value = Trim(line.substr(colon + 1));
    return !name.empty();
}

// The content type's media type and its charset parameter, as WebKit wants them apart.
void SplitContentType(const std::string& contentType, std::string& mediaType, std::string& charset) {
    const std::size_t semicolon = contentType.find(';');
    mediaType = Trim(contentType.substr(0, semicolon));
    charset.clear();
    if (semicolon == std::string::npos) return;
    const std::string parameters = FoldAsciiCase(contentType.substr(semicolon + 1));
    const std::size_t at = parameters.find("charset=");
    if (at == std::string::npos) return;
    std::string value = parameters.substr(at + 8);
    value = Trim(value.substr(0, value.find(';')));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    charset = value;
}

std::string ContentTypeOf(const TPageResource& resource) {
    std::size_t begin = 0;
    const std::string& headers = resource.Headers;
    while (begin <= headers.size()) {
        std::size_t end = headers.find('\n', begin);
        if (end == std::string::npos) end = headers.size();
        std::string name, value;
        if (SplitHeader(std::string_view(headers).substr(begin, end - begin), name, value) &&
            EqualIgnoringAsciiCase(name, "Content-Type"))
            return value;
        begin = end + 1;
    }
    return "application/octet-stream";
}

}  // namespace

struct TWebKitPage::TImpl {
    WebKitWebContext* Context = nullptr;
    WebKitUserContentManager* Content = nullptr;
    WebKitWebView* View = nullptr;
    IPageEvents* Events = nullptr;
    std::vector<std::string> Filters;
    TPageSwitches Switches;
    guint ReadySource = 0;
    guint NavigateSource = 0;
    std::string DeferredNavigation;
    // The last navigation taken over, so that one the extension keeps sending to our scheme is
    // not taken over again and again.
    std::string LastTakeOver;
    bool TakingOver = false;
    bool LoadFailed = false;

    ~TImpl();
    std::optional<TPageResource> Resource(const std::string& fileUri);
    void LoadFileDocument(const std::string& fileUri);
    void ServeScheme(WebKitURISchemeRequest* request);
    void TakeOverRedirect();
    bool TakeOver(const std::string& uri);
    void TakeMessage(WebKitJavascriptResult* result);
    void TakeConsoleMessage(WebKitJavascriptResult* result);
    GtkWidget* CreateWindow(WebKitNavigationAction* action);
    bool ChangeZoomByKey(GdkEventKey* event);
    bool ChangeZoomByScroll(GdkEventScroll* event);
};

namespace {

TWebKitPage::TImpl* ImplOf(gpointer data) { return static_cast<TWebKitPage::TImpl*>(data); }

void OnSchemeRequest(WebKitURISchemeRequest* request, gpointer data) { ImplOf(data)->ServeScheme(request); }

void OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
    ImplOf(data)->TakeMessage(result);
}

void OnConsoleMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
    ImplOf(data)->TakeConsoleMessage(result);
}

void OnTitleChanged(WebKitWebView* view, GParamSpec*, gpointer data) {
    TWebKitPage::TImpl* impl = ImplOf(data);
    if (impl->Events == nullptr) return;
    const gchar* title = webkit_web_view_get_title(view);
    impl->Events->PageTitleChanged(title != nullptr ? title : "");
}

void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    TWebKitPage::TImpl* impl = ImplOf(data);
    if (event == WEBKIT_LOAD_STARTED) impl->LoadFailed = false;
    if (event == WEBKIT_LOAD_STARTED || event == WEBKIT_LOAD_REDIRECTED) impl->TakeOverRedirect();
    if (event == WEBKIT_LOAD_COMMITTED) impl->LastTakeOver.clear();
    if (event != WEBKIT_LOAD_FINISHED) return;
    if (impl->TakingOver) {
        impl->TakingOver = false;  // the stopped load; its replacement reports its own end
        return;
    }
    if (impl->Events != nullptr) impl->Events->PageNavigationCompleted(!impl->LoadFailed);
}

// The response of the main frame's document: one the web extension carried over to our scheme
// (a link, a form or a script of the page went to another of the app's files) is not shown;
// the page loads it under its "file:" address instead. Only here does the engine tell the main
// frame's document from a frame's.
gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer data) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (!webkit_response_policy_decision_is_main_frame_main_resource(response)) return FALSE;
    const gchar* uri = webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(response));
    if (uri == nullptr || !ImplOf(data)->TakeOver(uri)) return FALSE;
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error, gpointer data) {
    TWebKitPage::TImpl* impl = ImplOf(data);
    // A navigation this page took over (a "file:" link) is stopped on purpose, not failed.
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) return TRUE;
    if (impl->TakingOver && g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE))
        return TRUE;
    impl->LoadFailed = true;
    return impl->Switches.BuiltInErrorPage ? FALSE : TRUE;
}

gboolean OnPermissionRequest(WebKitWebView* view, WebKitPermissionRequest* request, gpointer data) {
    TWebKitPage::TImpl* impl = ImplOf(data);
    const gchar* uri = webkit_web_view_get_uri(view);
    const bool allowed = impl->Events != nullptr && impl->Events->PagePermissionRequested(uri != nullptr ? uri : "");
    if (allowed)
        webkit_permission_request_allow(request);
    else
        webkit_permission_request_deny(request);
    return TRUE;
}

GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer data) {
    return ImplOf(data)->CreateWindow(action);
}

gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer data) {
    return ImplOf(data)->Switches.ContextMenus ? FALSE : TRUE;
}

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    return ImplOf(data)->ChangeZoomByKey(event) ? TRUE : FALSE;
}

gboolean OnScroll(GtkWidget*, GdkEventScroll* event, gpointer data) {
    return ImplOf(data)->ChangeZoomByScroll(event) ? TRUE : FALSE;
}

gboolean OnReady(gpointer data) {
    TWebKitPage::TImpl* impl = ImplOf(data);
    impl->ReadySource = 0;
    if (impl->Events != nullptr) impl->Events->PageReady(true);
    return G_SOURCE_REMOVE;
}

gboolean OnDeferredNavigation(gpointer data) {
    TWebKitPage::TImpl* impl = ImplOf(data);
    impl->NavigateSource = 0;
    const std::string uri = std::move(impl->DeferredNavigation);
    impl->DeferredNavigation.clear();
    impl->LoadFileDocument(uri);
    return G_SOURCE_REMOVE;
}

// A window the page opened with an address that is not the app's own: the engine's pop-up,
// shown once the new view is ready and gone when its page closes it.
void OnPopupReady(WebKitWebView* view, gpointer) { gtk_widget_show_all(gtk_widget_get_toplevel(GTK_WIDGET(view))); }
void OnPopupClose(WebKitWebView* view, gpointer) { gtk_widget_destroy(gtk_widget_get_toplevel(GTK_WIDGET(view))); }

}  // namespace

TWebKitPage::TImpl::~TImpl() {
    if (ReadySource != 0) g_source_remove(ReadySource);
    if (NavigateSource != 0) g_source_remove(NavigateSource);
    if (View != nullptr) {
        g_signal_handlers_disconnect_by_data(View, this);
        g_signal_handlers_disconnect_by_data(Content, this);
        webkit_web_view_stop_loading(View);
        g_object_unref(View);
    }
    if (Context != nullptr) g_object_unref(Context);
}

std::optional<TPageResource> TWebKitPage::TImpl::Resource(const std::string& fileUri) {
    if (Events == nullptr) return std::nullopt;
    bool filtered = false;
    for (const std::string& pattern : Filters)
        if (MatchesWildcardMask(fileUri, pattern)) filtered = true;
    if (!filtered) return std::nullopt;
    return Events->PageResourceRequested(fileUri);
}

void TWebKitPage::TImpl::ServeScheme(WebKitURISchemeRequest* request) {
    const std::string carried = webkit_uri_scheme_request_get_uri(request);
    const std::string fileUri = "file" + carried.substr(std::strlen(kPageScheme));
    std::optional<TPageResource> resource = Resource(fileUri);
    if (!resource) {
        GError* error = g_error_new(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Not found: %s", fileUri.c_str());
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        return;
    }
    const gsize size = resource->Body.size();
    GBytes* bytes = g_bytes_new(resource->Body.data(), size);
    GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
    g_bytes_unref(bytes);
    WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(stream, static_cast<gint64>(size));
    g_object_unref(stream);
    webkit_uri_scheme_response_set_status(response, static_cast<guint>(resource->Status), resource->Reason.c_str());
    std::string mediaType, charset;
    SplitContentType(ContentTypeOf(*resource), mediaType, charset);
    webkit_uri_scheme_response_set_content_type(response, mediaType.c_str());
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    std::size_t begin = 0;
    const std::string& text = resource->Headers;
    while (begin <= text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        std::string name, value;
        if (SplitHeader(std::string_view(text).substr(begin, end - begin), name, value))
            soup_message_headers_replace(headers, name.c_str(), value.c_str());
        begin = end + 1;
    }
    // The page's own origin is "file:"; its fetches of our scheme are cross-origin to WebKit.
    soup_message_headers_replace(headers, "Access-Control-Allow-Origin", "*");
    webkit_uri_scheme_response_set_http_headers(response, headers);
    webkit_uri_scheme_request_finish_with_response(request, response);
    g_object_unref(response);
}

void TWebKitPage::TImpl::LoadFileDocument(const std::string& fileUri) {
    webkit_web_view_send_message_to_page(View, webkit_user_message_new(kOwnDocumentMessage, g_variant_new_string(fileUri.c_str())),
                                         nullptr, nullptr, nullptr);
    std::optional<TPageResource> resource = Resource(fileUri);
    if (!resource) {
        LoadFailed = true;
        webkit_web_view_load_alternate_html(
            View, "<!DOCTYPE html><title>Not found</title><p>This page cannot be found.</p>", fileUri.c_str(), nullptr);
        return;
    }
    std::string mediaType, charset;
    SplitContentType(ContentTypeOf(*resource), mediaType, charset);
    GBytes* bytes = g_bytes_new(resource->Body.data(), resource->Body.size());
    webkit_web_view_load_bytes(View, bytes, mediaType.c_str(), charset.empty() ? nullptr : charset.c_str(),
                               fileUri.c_str());
    g_bytes_unref(bytes);
}

void TWebKitPage::TImpl::TakeOverRedirect() {
    const gchar* current = webkit_web_view_get_uri(View);
    if (current != nullptr && TakeOver(current)) webkit_web_view_stop_loading(View);
}

bool TWebKitPage::TImpl::TakeOver(const std::string& uri) {
    const std::string prefix = std::string(kPageScheme) + ":";
    if (!StartsWithIgnoringCase(uri, prefix)) return false;
    // A link, a form or a script sent the page to another of the app's files; the web extension
    // sent that load to our scheme, which would give the page a "vellum-file:" address. The
    // page loads the host's bytes under the "file:" address instead, from the main loop.
    const std::string fileUri = "file:" + uri.substr(prefix.size());
    if (fileUri == LastTakeOver) return false;  // the extension missed our name twice: keep what loads
    LastTakeOver = fileUri;
    TakingOver = true;
    DeferredNavigation = fileUri;
    if (NavigateSource == 0) NavigateSource = g_idle_add(OnDeferredNavigation, this);
    return true;
}

void TWebKitPage::TImpl::TakeMessage(WebKitJavascriptResult* result) {
    if (Events == nullptr || !Switches.WebMessages) return;
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    TPageMessage message;
    if (jsc_value_is_string(value)) {
        gchar* plain = jsc_value_to_string(value);
        gchar* json = jsc_value_to_json(value, 0);
        message.PlainText = plain != nullptr ? plain : "";
        message.Json = json != nullptr ? json : "";
        g_free(plain);
        g_free(json);
    } else if (jsc_value_is_object(value)) {
        JSCValue* json = jsc_value_object_get_property(value, "json");
        if (jsc_value_is_string(json)) {
            gchar* text = jsc_value_to_string(json);
            message.Json = text != nullptr ? text : "";
            g_free(text);
        }
        g_object_unref(json);
    }
    if (message.Json.empty()) return;
    Events->PageMessageReceived(message);
}

void TWebKitPage::TImpl::TakeConsoleMessage(WebKitJavascriptResult* result) {
    if (Events == nullptr) return;
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (!jsc_value_is_object(value)) return;
    JSCValue* level = jsc_value_object_get_property(value, "level");
    JSCValue* text = jsc_value_object_get_property(value, "text");
    gchar* levelText = jsc_value_to_string(level);
    gchar* messageText = jsc_value_to_string(text);
    Events->PageConsoleMessage(levelText != nullptr ? levelText : "", messageText != nullptr ? messageText : "");
    g_free(levelText);
    g_free(messageText);
    g_object_unref(level);
    g_object_unref(text);
}

GtkWidget* TWebKitPage::TImpl::CreateWindow(WebKitNavigationAction* action) {
    const gchar* requested = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const std::string uri = requested != nullptr ? requested : "";
    if (Events != nullptr && Events->PageNewWindowRequested(uri)) return nullptr;
    // The engine's own pop-up for an address the host did not take. An app's "file:" page in
    // it would read the disk, so those open nowhere when the host declines them.
    if (IsFileAddress(uri)) return nullptr;
    GtkWidget* popup = webkit_web_view_new_with_related_view(View);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 800, 600);
    gtk_container_add(GTK_CONTAINER(window), popup);
    g_signal_connect(popup, "ready-to-show", G_CALLBACK(OnPopupReady), nullptr);
    g_signal_connect(popup, "close", G_CALLBACK(OnPopupClose), nullptr);
    return popup;
}

bool TWebKitPage::TImpl::ChangeZoomByKey(GdkEventKey* event) {
    if (!Switches.ZoomControl || (event->state & GDK_CONTROL_MASK) == 0) return false;
    const double zoom = webkit_web_view_get_zoom_level(View);
    switch (event->keyval) {
        case GDK_KEY_plus: case GDK_KEY_equal: case GDK_KEY_KP_Add:
            webkit_web_view_set_zoom_level(View, zoom * 1.1);
            return true;
        case GDK_KEY_minus: case GDK_KEY_KP_Subtract:
            webkit_web_view_set_zoom_level(View, zoom / 1.1);
            return true;
        case GDK_KEY_0: case GDK_KEY_KP_0:
            webkit_web_view_set_zoom_level(View, 1.0);
            return true;
        default:
            return false;
    }
}

bool TWebKitPage::TImpl::ChangeZoomByScroll(GdkEventScroll* event) {
    if (!Switches.ZoomControl || (event->state & GDK_CONTROL_MASK) == 0) return false;
    const double zoom = webkit_web_view_get_zoom_level(View);
    if (event->direction == GDK_SCROLL_UP) webkit_web_view_set_zoom_level(View, zoom * 1.1);
    else if (event->direction == GDK_SCROLL_DOWN) webkit_web_view_set_zoom_level(View, zoom / 1.1);
    else return false;
    return true;
}

namespace {

void OnInitializeWebExtensions(WebKitWebContext* context, gpointer data) {
    const std::string* folder = static_cast<const std::string*>(data);
    if (!folder->empty()) webkit_web_context_set_web_extensions_directory(context, folder->c_str());
}

void DeleteString(gpointer data, GClosure*) { delete static_cast<std::string*>(data); }

}  // namespace

TWebKitPage::TWebKitPage(const TWebKitPageOptions& options) : impl_(std::make_unique<TImpl>()) {
    const std::filesystem::path root = std::filesystem::path(options.DataDir) / "webkit";
    const std::string dataDir = (root / "data").string();
    const std::string cacheDir = (root / "cache").string();
    WebKitWebsiteDataManager* data = webkit_website_data_manager_new(
        "base-data-directory", dataDir.c_str(), "base-cache-directory", cacheDir.c_str(), nullptr);
    impl_->Context = webkit_web_context_new_with_website_data_manager(data);
    g_object_unref(data);

    g_signal_connect_data(impl_->Context, "initialize-web-extensions", G_CALLBACK(OnInitializeWebExtensions),
                          new std::string(InstallWebExtension(root.string())), DeleteString, GConnectFlags(0));
    webkit_web_context_register_uri_scheme(impl_->Context, kPageScheme, OnSchemeRequest, impl_.get(), nullptr);
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(impl_->Context);
    webkit_security_manager_register_uri_scheme_as_local(security, kPageScheme);
    webkit_security_manager_register_uri_scheme_as_cors_enabled(security, kPageScheme);
    webkit_security_manager_register_uri_scheme_as_secure(security, kPageScheme);

    impl_->Content = webkit_user_content_manager_new();
    g_signal_connect(impl_->Content, (std::string("script-message-received::") + kMessageHandlerName).c_str(),
                     G_CALLBACK(OnScriptMessage), impl_.get());
    g_signal_connect(impl_->Content, (std::string("script-message-received::") + kConsoleHandlerName).c_str(),
                     G_CALLBACK(OnConsoleMessage), impl_.get());
    webkit_user_content_manager_register_script_message_handler(impl_->Content, kMessageHandlerName);
    webkit_user_content_manager_register_script_message_handler(impl_->Content, kConsoleHandlerName);
    WebKitUserScript* shim = webkit_user_script_new(kPageShimScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                    WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(impl_->Content, shim);
    webkit_user_script_unref(shim);

    impl_->View = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", impl_->Context,
                                               "user-content-manager", impl_->Content, nullptr));
    g_object_unref(impl_->Content);  // the view holds it from here
    g_object_ref_sink(impl_->View);

    WebKitSettings* settings = webkit_web_view_get_settings(impl_->View);
    webkit_settings_set_allow_file_access_from_file_urls(settings, TRUE);

    g_signal_connect(impl_->View, "notify::title", G_CALLBACK(OnTitleChanged), impl_.get());
    g_signal_connect(impl_->View, "load-changed", G_CALLBACK(OnLoadChanged), impl_.get());
    g_signal_connect(impl_->View, "load-failed", G_CALLBACK(OnLoadFailed), impl_.get());
    g_signal_connect(impl_->View, "decide-policy", G_CALLBACK(OnDecidePolicy), impl_.get());
    g_signal_connect(impl_->View, "permission-request", G_CALLBACK(OnPermissionRequest), impl_.get());
    g_signal_connect(impl_->View, "create", G_CALLBACK(OnCreate), impl_.get());
    g_signal_connect(impl_->View, "context-menu", G_CALLBACK(OnContextMenu), impl_.get());
    g_signal_connect(impl_->View, "key-press-event", G_CALLBACK(OnKeyPress), impl_.get());
    g_signal_connect(impl_->View, "scroll-event", G_CALLBACK(OnScroll), impl_.get());

    impl_->ReadySource = g_idle_add(OnReady, impl_.get());
}

TWebKitPage::~TWebKitPage() = default;

GtkWidget* TWebKitPage::Widget() { return GTK_WIDGET(impl_->View); }

void TWebKitPage::SetPageEvents(IPageEvents* events) {
    if (events != nullptr && impl_->Events != nullptr && impl_->Events != events) return;
    impl_->Events = events;
}

void TWebKitPage::Navigate(const std::string& url) {
    if (IsFileAddress(url)) {
        impl_->LoadFileDocument(url);
        return;
    }
    webkit_web_view_load_uri(impl_->View, url.c_str());
}

void TWebKitPage::ExecuteScript(const std::string& script) {
    webkit_web_view_evaluate_javascript(impl_->View, script.c_str(), static_cast<gssize>(script.size()), nullptr,
                                        nullptr, nullptr, nullptr, nullptr);
}

bool TWebKitPage::PostWebMessageAsJson(const std::string& json) {
    if (!impl_->Switches.WebMessages) return false;
    // The JSON travels as a string literal and is parsed by the page, so text that is not JSON
    // can never run as script; it is refused here, as the WebView2 control refuses it.
    if (!nlohmann::json::accept(json)) return false;
    const std::string literal = nlohmann::json(json).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    ExecuteScript(std::string(kDeliverFunction) + "(" + literal + ");");
    return true;
}

void TWebKitPage::AddDocumentScript(const std::string& script) {
    WebKitUserScript* user = webkit_user_script_new(script.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                    WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(webkit_web_view_get_user_content_manager(impl_->View), user);
    webkit_user_script_unref(user);
}

void TWebKitPage::ApplySwitches(const TPageSwitches& switches) {
    impl_->Switches = switches;
    WebKitSettings* settings = webkit_web_view_get_settings(impl_->View);
    webkit_settings_set_enable_javascript(settings, switches.Script ? TRUE : FALSE);
    webkit_settings_set_enable_developer_extras(settings, switches.DevTools ? TRUE : FALSE);
    // The status bar and the context menus have no setting in WebKitGTK: the view shows no
    // status bar, and the context-menu signal refuses the menu while it is switched off.
}

void TWebKitPage::FilterResources(const std::string& pattern) { impl_->Filters.push_back(pattern); }

double TWebKitPage::ZoomFactor() const { return webkit_web_view_get_zoom_level(impl_->View); }

void TWebKitPage::SetZoomFactor(double factor) {
    if (factor > 0) webkit_web_view_set_zoom_level(impl_->View, factor);
}

void TWebKitPage::SetFocus() { gtk_widget_grab_focus(GTK_WIDGET(impl_->View)); }

std::uintptr_t TWebKitPage::PageWindowHandle() { return 0; }

}  // namespace vellum
