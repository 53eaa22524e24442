#pragma once

// The few Windows Runtime interfaces a toast needs, declared from their documented vtable
// order and interface identifiers (IUnknown's three slots, IInspectable's three, then the
// methods in the order the metadata lists them). Only the methods we call are typed; the others
// keep their slot.

#include <windows.h>

#include <inspectable.h>

namespace vellum::toast_abi {

struct TEventRegistrationToken {
    __int64 Value;
};

// Windows.Data.Xml.Dom.IXmlDocument: passed through untouched.
struct IXmlDocument : IInspectable {};
inline constexpr GUID kIidXmlDocument = {0xf7f3a506, 0x1e87, 0x42d6, {0xbc, 0xfb, 0xb8, 0xc8, 0x09, 0xfa, 0x54, 0x94}};

// Windows.Data.Xml.Dom.IXmlDocumentIO
struct IXmlDocumentIO : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE LoadXml(HSTRING xml) = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadXmlWithSettings(HSTRING xml, IInspectable* settings) = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveToFileAsync(IInspectable* file, IInspectable** operation) = 0;
};
inline constexpr GUID kIidXmlDocumentIO = {0x6cd0e74e, 0xee65, 0x4489, {0x9e, 0xbf, 0xca, 0x43, 0xe8, 0x7b, 0xa6, 0x37}};

struct IToastNotification;

// Windows.Foundation.TypedEventHandler<ToastNotification, Object>: the Activated event's handler.
struct IToastActivatedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(IToastNotification* sender, IInspectable* args) = 0;
};
inline constexpr GUID kIidToastActivatedHandler = {
    0xab54de2d, 0x97d9, 0x5528, {0xb6, 0xad, 0x10, 0x5a, 0xfe, 0x15, 0x65, 0x30}};

// Windows.UI.Notifications.IToastNotification
struct IToastNotification : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Content(IXmlDocument** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ExpirationTime(IInspectable* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExpirationTime(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_Dismissed(IUnknown* handler, TEventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_Dismissed(TEventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_Activated(IToastActivatedHandler* handler,
                                                    TEventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_Activated(TEventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_Failed(IUnknown* handler, TEventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_Failed(TEventRegistrationToken token) = 0;
};
inline constexpr GUID kIidToastNotification = {
    0x997e2675, 0x059e, 0x4e60, {0x8b, 0x06, 0x17, 0x60, 0x91, 0x7c, 0x8b, 0x80}};

// Windows.UI.Notifications.IToastNotificationFactory (the ToastNotification class's factory)
struct IToastNotificationFactory : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE CreateToastNotification(IXmlDocument* content, IToastNotification** value) = 0;
};
inline constexpr GUID kIidToastNotificationFactory = {
    0x04124b20, 0x82c6, 0x4229, {0xb1, 0x09, 0xfd, 0x9e, 0xd4, 0x66, 0x2b, 0x53}};

// Windows.UI.Notifications.IToastNotifier
struct IToastNotifier : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE Show(IToastNotification* notification) = 0;
    virtual HRESULT STDMETHODCALLTYPE Hide(IToastNotification* notification) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Setting(int* value) = 0;
    // AddToSchedule, RemoveFromSchedule, GetScheduledToastNotifications follow, unused.
};
inline constexpr GUID kIidToastNotifier = {0x75927b93, 0x03f3, 0x41ec, {0x91, 0xd3, 0x6e, 0x5b, 0xac, 0x1b, 0x38, 0xe7}};

// Windows.UI.Notifications.IToastNotificationManagerStatics
struct IToastNotificationManagerStatics : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE CreateToastNotifier(IToastNotifier** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateToastNotifierWithId(HSTRING applicationId, IToastNotifier** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTemplateContent(int type, IXmlDocument** value) = 0;
};
inline constexpr GUID kIidToastNotificationManagerStatics = {
    0x50ac103f, 0xd235, 0x4598, {0xbb, 0xef, 0x98, 0xfe, 0x4d, 0x1a, 0x3a, 0xd4}};

// IAgileObject: the handler may be called on any thread.
inline constexpr GUID kIidAgileObject = {0x94ea2b94, 0xe9cc, 0x49e0, {0xc0, 0xff, 0xee, 0x64, 0xca, 0x8f, 0x5b, 0x90}};

inline constexpr const wchar_t* kToastNotificationManagerClass = L"Windows.UI.Notifications.ToastNotificationManager";
inline constexpr const wchar_t* kToastNotificationClass = L"Windows.UI.Notifications.ToastNotification";
inline constexpr const wchar_t* kXmlDocumentClass = L"Windows.Data.Xml.Dom.XmlDocument";

}  // namespace vellum::toast_abi
