#pragma once

// Event argument, request and response objects of the WebView2 test double.

#include <string>
#include <vector>

#include "double_objects.h"
#include "webview2/wide_text.h"

namespace vellum::webview2_double {

// The copy of a string the runtime hands out, for the caller to free with CoTaskMemFree.
inline HRESULT GiveString(const std::string& text, LPWSTR* out) {
    if (out == nullptr) return E_POINTER;
    *out = NewWideString(text);
    return S_OK;
}

template <class T>
HRESULT Give(T value, T* out) {
    if (out == nullptr) return E_POINTER;
    *out = value;
    return S_OK;
}

class TNavigationStartingArgs final : public TDoubleObject<ICoreWebView2NavigationStartingEventArgs> {
public:
    TNavigationStartingArgs(std::string uri, UINT64 id) : uri_(std::move(uri)), id_(id) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return GiveString(uri_, uri);
    }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give<BOOL>(FALSE, value);
    }
    HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give<BOOL>(FALSE, value);
    }
    HRESULT STDMETHODCALLTYPE get_RequestHeaders(ICoreWebView2HttpRequestHeaders** headers) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (headers != nullptr) *headers = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(cancel_, value);
    }
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        cancel_ = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(id_, value);
    }
    bool Canceled() const { return cancel_ != FALSE; }

private:
    std::string uri_;
    UINT64 id_;
    BOOL cancel_ = FALSE;
};

class TNavigationCompletedArgs final : public TDoubleObject<ICoreWebView2NavigationCompletedEventArgs> {
public:
    TNavigationCompletedArgs(bool success, COREWEBVIEW2_WEB_ERROR_STATUS status, UINT64 id)
        : success_(success ? TRUE : FALSE), status_(status), id_(id) {}
    HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(success_, value);
    }
    HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(status_, value);
    }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(id_, value);
    }

private:
    BOOL success_;
    COREWEBVIEW2_WEB_ERROR_STATUS status_;
    UINT64 id_;
};

class TSourceChangedArgs final : public TDoubleObject<ICoreWebView2SourceChangedEventArgs> {
public:
    explicit TSourceChangedArgs(bool isNew) : isNew_(isNew ? TRUE : FALSE) {}
    HRESULT STDMETHODCALLTYPE get_IsNewDocument(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(isNew_, value);
    }

private:
    BOOL isNew_;
};

class TContentLoadingArgs final : public TDoubleObject<ICoreWebView2ContentLoadingEventArgs> {
public:
    TContentLoadingArgs(bool errorPage, UINT64 id) : errorPage_(errorPage ? TRUE : FALSE), id_(id) {}
    HRESULT STDMETHODCALLTYPE get_IsErrorPage(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(errorPage_, value);
    }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(id_, value);
    }

private:
    BOOL errorPage_;
    UINT64 id_;
};

class TNewWindowRequestedArgs final : public TDoubleObject<ICoreWebView2NewWindowRequestedEventArgs> {
public:
    explicit TNewWindowRequestedArgs(std::string uri) : uri_(std::move(uri)) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return GiveString(uri_, uri);
    }
    HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* window) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        newWindow_ = TComPtr<ICoreWebView2>(window);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** window) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (window == nullptr) return E_POINTER;
        *window = newWindow_.Get();
        if (*window != nullptr) (*window)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        handled_ = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(handled_, value);
    }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give<BOOL>(TRUE, value);
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (deferral != nullptr) *deferral = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures** value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (value != nullptr) *value = nullptr;
        return E_NOTIMPL;
    }
    bool Handled() const { return handled_ != FALSE; }

private:
    std::string uri_;
    BOOL handled_ = FALSE;
    TComPtr<ICoreWebView2> newWindow_;
};

class TWebResourceRequest final : public TDoubleObject<ICoreWebView2WebResourceRequest> {
public:
    explicit TWebResourceRequest(std::string uri) : uri_(std::move(uri)) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return GiveString(uri_, uri);
    }
    HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR uri) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        uri_ = FromWide(uri);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return GiveString("GET", method);
    }
    HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give<IStream*>(nullptr, content);
    }
    HRESULT STDMETHODCALLTYPE put_Content(IStream*) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders** headers) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (headers != nullptr) *headers = nullptr;
        return E_NOTIMPL;
    }

private:
    std::string uri_;
};

class TWebResourceResponse final : public TDoubleObject<ICoreWebView2WebResourceResponse> {
public:
    TWebResourceResponse(IStream* content, int status, std::string reason, std::string headers)
        : content_(content), status_(status), reason_(std::move(reason)), headers_(std::move(headers)) {}
    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (content == nullptr) return E_POINTER;
        *content = content_.Get();
        if (*content != nullptr) (*content)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Content(IStream* content) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        content_ = TComPtr<IStream>(content);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpResponseHeaders** headers) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (headers != nullptr) *headers = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_StatusCode(int* status) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(status_, status);
    }
    HRESULT STDMETHODCALLTYPE put_StatusCode(int status) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        status_ = status;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reason) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return GiveString(reason_, reason);
    }
    HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR reason) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        reason_ = FromWide(reason);
        return S_OK;
    }

    IStream* Content() const { return content_.Get(); }
    int Status() const { return status_; }
    const std::string& Reason() const { return reason_; }
    const std::string& Headers() const { return headers_; }

private:
    TComPtr<IStream> content_;
    int status_;
    std::string reason_;
    std::string headers_;
};

class TWebResourceRequestedArgs final : public TDoubleObject<ICoreWebView2WebResourceRequestedEventArgs> {
public:
    TWebResourceRequestedArgs(std::string uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context)
        : request_(TComPtr<ICoreWebView2WebResourceRequest>::Adopt(new TWebResourceRequest(std::move(uri)))),
          context_(context) {}
    HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (request == nullptr) return E_POINTER;
        *request = request_.Get();
        (*request)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** response) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (response == nullptr) return E_POINTER;
        *response = response_.Get();
        if (*response != nullptr) (*response)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        response_ = TComPtr<ICoreWebView2WebResourceResponse>(response);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (deferral != nullptr) *deferral = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(context_, context);
    }
    ICoreWebView2WebResourceResponse* Response() const { return response_.Get(); }

private:
    TComPtr<ICoreWebView2WebResourceRequest> request_;
    TComPtr<ICoreWebView2WebResourceResponse> response_;
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT context_;
};

class TScriptDialogOpeningArgs final : public TDoubleObject<ICoreWebView2ScriptDialogOpeningEventArgs> {
public:
    TScriptDialogOpeningArgs(std::string uri, COREWEBVIEW2_SCRIPT_DIALOG_KIND kind, std::string message)
        : uri_(std::move(uri)), kind_(kind), message_(std::move(message)) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return GiveString(uri_, uri);
    }
    HRESULT STDMETHODCALLTYPE get_Kind(COREWEBVIEW2_SCRIPT_DIALOG_KIND* kind) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(kind_, kind);
    }
    HRESULT STDMETHODCALLTYPE get_Message(LPWSTR* message) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return GiveString(message_, message);
    }
    HRESULT STDMETHODCALLTYPE Accept() override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        accepted_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_DefaultText(LPWSTR* text) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return GiveString("", text);
    }
    HRESULT STDMETHODCALLTYPE get_ResultText(LPWSTR* text) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return GiveString(result_, text);
    }
    HRESULT STDMETHODCALLTYPE put_ResultText(LPCWSTR text) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        result_ = FromWide(text);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (deferral != nullptr) *deferral = nullptr;
        return E_NOTIMPL;
    }
    bool Accepted() const { return accepted_; }
    const std::string& ResultText() const { return result_; }

private:
    std::string uri_;
    COREWEBVIEW2_SCRIPT_DIALOG_KIND kind_;
    std::string message_;
    std::string result_;
    bool accepted_ = false;
};

class TPermissionRequestedArgs final : public TDoubleObject<ICoreWebView2PermissionRequestedEventArgs> {
public:
    TPermissionRequestedArgs(std::string uri, COREWEBVIEW2_PERMISSION_KIND kind) : uri_(std::move(uri)), kind_(kind) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return GiveString(uri_, uri);
    }
    HRESULT STDMETHODCALLTYPE get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* kind) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(kind_, kind);
    }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give<BOOL>(TRUE, value);
    }
    HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_PERMISSION_STATE* state) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(state_, state);
    }
    HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE state) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        state_ = state;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (deferral != nullptr) *deferral = nullptr;
        return E_NOTIMPL;
    }
    COREWEBVIEW2_PERMISSION_STATE State() const { return state_; }

private:
    std::string uri_;
    COREWEBVIEW2_PERMISSION_KIND kind_;
    COREWEBVIEW2_PERMISSION_STATE state_ = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
};

class TProcessFailedArgs final : public TDoubleObject<ICoreWebView2ProcessFailedEventArgs> {
public:
    explicit TProcessFailedArgs(COREWEBVIEW2_PROCESS_FAILED_KIND kind) : kind_(kind) {}
    HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(kind_, kind);
    }

private:
    COREWEBVIEW2_PROCESS_FAILED_KIND kind_;
};

// A page message: posted as JSON, or as a string (which is also valid JSON text once quoted).
class TWebMessageReceivedArgs final : public TDoubleObject<ICoreWebView2WebMessageReceivedEventArgs> {
public:
    TWebMessageReceivedArgs(std::string source, std::string json, bool isString, std::string text)
        : source_(std::move(source)), json_(std::move(json)), isString_(isString), text_(std::move(text)) {}
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return GiveString(source_, value);
    }
    HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return GiveString(json_, value);
    }
    HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (value == nullptr) return E_POINTER;
        *value = nullptr;
        if (!isString_) return E_INVALIDARG;
        return GiveString(text_, value);
    }

private:
    std::string source_, json_;
    bool isString_;
    std::string text_;
};

class TMoveFocusRequestedArgs final : public TDoubleObject<ICoreWebView2MoveFocusRequestedEventArgs> {
public:
    explicit TMoveFocusRequestedArgs(COREWEBVIEW2_MOVE_FOCUS_REASON reason) : reason_(reason) {}
    HRESULT STDMETHODCALLTYPE get_Reason(COREWEBVIEW2_MOVE_FOCUS_REASON* reason) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(reason_, reason);
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(handled_, value);
    }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        handled_ = value;
        return S_OK;
    }
    bool Handled() const { return handled_ != FALSE; }

private:
    COREWEBVIEW2_MOVE_FOCUS_REASON reason_;
    BOOL handled_ = FALSE;
};

class TAcceleratorKeyPressedArgs final : public TDoubleObject<ICoreWebView2AcceleratorKeyPressedEventArgs> {
public:
    TAcceleratorKeyPressedArgs(COREWEBVIEW2_KEY_EVENT_KIND kind, UINT key, INT lParam)
        : kind_(kind), key_(key), lParam_(lParam) {}
    HRESULT STDMETHODCALLTYPE get_KeyEventKind(COREWEBVIEW2_KEY_EVENT_KIND* kind) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(kind_, kind);
    }
    HRESULT STDMETHODCALLTYPE get_VirtualKey(UINT* key) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(key_, key);
    }
    HRESULT STDMETHODCALLTYPE get_KeyEventLParam(INT* lParam) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(lParam_, lParam);
    }
    HRESULT STDMETHODCALLTYPE get_PhysicalKeyStatus(COREWEBVIEW2_PHYSICAL_KEY_STATUS* status) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        if (status == nullptr) return E_POINTER;
        *status = {};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return Give(handled_, value);
    }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        handled_ = value;
        return S_OK;
    }
    bool Handled() const { return handled_ != FALSE; }

private:
    COREWEBVIEW2_KEY_EVENT_KIND kind_;
    UINT key_;
    INT lParam_;
    BOOL handled_ = FALSE;
};

class TDevToolsEventArgs final : public TDoubleObject<ICoreWebView2DevToolsProtocolEventReceivedEventArgs> {
public:
    explicit TDevToolsEventArgs(std::string json) : json_(std::move(json)) {}
    HRESULT STDMETHODCALLTYPE get_ParameterObjectAsJson(LPWSTR* value) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return GiveString(json_, value);
    }

private:
    std::string json_;
};

class TDevToolsReceiver final : public TDoubleObject<ICoreWebView2DevToolsProtocolEventReceiver> {
public:
    TDevToolsReceiver(const std::string& name, TEventGate* gate)
        : received_("DevToolsProtocolEventReceived:" + name, gate) {}
    HRESULT STDMETHODCALLTYPE add_DevToolsProtocolEventReceived(
        ICoreWebView2DevToolsProtocolEventReceivedEventHandler* h, EventRegistrationToken* t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return received_.Add(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_DevToolsProtocolEventReceived(EventRegistrationToken t) override {
        VELLUM_DOUBLE_OWNER_THREAD_ONLY();
        return received_.Remove(t);
    }
    TEventSource<ICoreWebView2DevToolsProtocolEventReceivedEventHandler>& Received() { return received_; }

private:
    TEventSource<ICoreWebView2DevToolsProtocolEventReceivedEventHandler> received_;
};

}  // namespace vellum::webview2_double
