// The page's web extension, loaded by every web process of our web context. It sends the
// page's sub-resource requests for "file:" addresses to our own scheme, whose handler in the
// user-interface process serves them from the app's archive; the page keeps seeing the
// "file:" addresses it asked for. The top document is left alone: the page loads it itself.
#include <webkit2/webkit-web-extension.h>

#include "browser/webkit/page_scheme.h"

namespace {

const char* const kOwnDocumentKey = "vellum-own-document";

gboolean OnSendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse*, gpointer) {
    const char* uri = webkit_uri_request_get_uri(request);
    if (uri == nullptr || g_ascii_strncasecmp(uri, "file:", 5) != 0) return FALSE;
    // The document the user-interface process loads from the host's bytes under its "file:"
    // address passes here too; changing it would change the page's address. Every other
    // "file:" load goes to our scheme, a top-level navigation included: the user-interface
    // process sees that one redirected and loads it itself.
    const char* own = static_cast<const char*>(g_object_get_data(G_OBJECT(page), kOwnDocumentKey));
    if (own != nullptr && g_strcmp0(own, uri) == 0) {
        g_object_set_data(G_OBJECT(page), kOwnDocumentKey, nullptr);
        return FALSE;
    }
    gchar* mapped = g_strconcat(vellum::kPageScheme, ":", uri + 5, nullptr);
    webkit_uri_request_set_uri(request, mapped);
    g_free(mapped);
    return FALSE;
}

// The user-interface process names the document it is about to load itself.
gboolean OnUserMessage(WebKitWebPage* page, WebKitUserMessage* message, gpointer) {
    if (g_strcmp0(webkit_user_message_get_name(message), vellum::kOwnDocumentMessage) != 0) return FALSE;
    GVariant* parameters = webkit_user_message_get_parameters(message);
    if (parameters == nullptr || !g_variant_is_of_type(parameters, G_VARIANT_TYPE_STRING)) return TRUE;
    g_object_set_data_full(G_OBJECT(page), kOwnDocumentKey, g_variant_dup_string(parameters, nullptr), g_free);
    return TRUE;
}

void OnPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
    g_signal_connect(page, "send-request", G_CALLBACK(OnSendRequest), nullptr);
    g_signal_connect(page, "user-message-received", G_CALLBACK(OnUserMessage), nullptr);
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize(WebKitWebExtension* extension) {
    g_signal_connect(extension, "page-created", G_CALLBACK(OnPageCreated), nullptr);
}
