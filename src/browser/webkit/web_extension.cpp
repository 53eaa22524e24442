// The page's web extension, loaded by every web process of our web context. It sends the
// page's sub-resource requests for "file:" addresses to our own scheme, whose handler in the
// user-interface process serves them from the app's archive; the page keeps seeing the
// "file:" addresses it asked for. The top document is left alone: the page loads it itself.
#include <webkit2/webkit-web-extension.h>

#include "browser/webkit/page_scheme.h"

namespace {

gboolean OnSendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse*, gpointer) {
    const char* uri = webkit_uri_request_get_uri(request);
    if (uri == nullptr || g_ascii_strncasecmp(uri, "file:", 5) != 0) return FALSE;
    // The document itself, which the user-interface process loads from the host's bytes under
    // its "file:" address, passes here too; changing it would change the page's address.
    const char* document = webkit_web_page_get_uri(page);
    if (document != nullptr && g_strcmp0(document, uri) == 0) return FALSE;
    gchar* mapped = g_strconcat(vellum::kPageScheme, ":", uri + 5, nullptr);
    webkit_uri_request_set_uri(request, mapped);
    g_free(mapped);
    return FALSE;
}

void OnPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
    g_signal_connect(page, "send-request", G_CALLBACK(OnSendRequest), nullptr);
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize(WebKitWebExtension* extension) {
    g_signal_connect(extension, "page-created", G_CALLBACK(OnPageCreated), nullptr);
}
