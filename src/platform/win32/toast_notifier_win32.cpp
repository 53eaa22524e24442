#include "platform/win32/toast_notifier_win32.h"

#include <atomic>

#include "platform/notification_content.h"
#include "platform/win32/wide_string.h"

namespace vellum {

using namespace toast_abi;

namespace {

constexpr std::size_t kToastsKept = 100;

// combase's Windows Runtime entry points, looked up once.
struct TWinRtApi {
    HRESULT(WINAPI* GetActivationFactory)(HSTRING, REFIID, void**) = nullptr;
    HRESULT(WINAPI* ActivateInstance)(HSTRING, IInspectable**) = nullptr;
    HRESULT(WINAPI* CreateString)(const wchar_t*, UINT32, HSTRING*) = nullptr;
    HRESULT(WINAPI* DeleteString)(HSTRING) = nullptr;

    bool Complete() const { return GetActivationFactory && ActivateInstance && CreateString && DeleteString; }
};

template <typename T>
void Resolve(HMODULE library, const char* name, T& function) {
    function = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

const TWinRtApi& WinRt() {
    static const TWinRtApi api = [] {
        TWinRtApi found;
        HMODULE library = LoadLibraryW(L"combase.dll");  // kept for the process's life
        if (library == nullptr) return found;
        Resolve(library, "RoGetActivationFactory", found.GetActivationFactory);
        Resolve(library, "RoActivateInstance", found.ActivateInstance);
        Resolve(library, "WindowsCreateString", found.CreateString);
        Resolve(library, "WindowsDeleteString", found.DeleteString);
        return found;
    }();
    return api;
}

// A Windows Runtime string for the length of a call.
class THString {
public:
    explicit THString(const std::wstring& text) {
        if (FAILED(WinRt().CreateString(text.c_str(), static_cast<UINT32>(text.size()), &value_))) value_ = nullptr;
    }
    ~THString() {
        if (value_ != nullptr) WinRt().DeleteString(value_);
    }
    THString(const THString&) = delete;
    THString& operator=(const THString&) = delete;
    bool Valid(const std::wstring& text) const { return value_ != nullptr || text.empty(); }
    HSTRING Get() const { return value_; }

private:
    HSTRING value_ = nullptr;  // nullptr is also the empty string
};

template <typename T>
void ReleaseAndClear(T*& object) {
    if (object != nullptr) object->Release();
    object = nullptr;
}

// The Activated handler of one toast: it knows the toast's name and hands it on. Agile, because
// the platform calls it on a thread of its own.
class TActivatedHandler final : public IToastActivatedHandler {
public:
    TActivatedHandler(std::string name, TToastNotifier::TActivated onActivated)
        : name_(std::move(name)), onActivated_(std::move(onActivated)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, kIidToastActivatedHandler) ||
            IsEqualGUID(iid, kIidAgileObject)) {
            *object = static_cast<IToastActivatedHandler*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Invoke(IToastNotification*, IInspectable*) override {
        if (onActivated_) onActivated_(name_);
        return S_OK;
    }

private:
    ~TActivatedHandler() = default;
    std::atomic<ULONG> references_{1};
    const std::string name_;
    const TToastNotifier::TActivated onActivated_;
};

}  // namespace

std::unique_ptr<TToastNotifier> TToastNotifier::Load(TActivated onActivated) {
    const TWinRtApi& api = WinRt();
    if (!api.Complete()) return nullptr;
    std::unique_ptr<TToastNotifier> toasts(new TToastNotifier());
    toasts->onActivated_ = std::move(onActivated);
    const THString managerClass(kToastNotificationManagerClass), toastClass(kToastNotificationClass);
    if (FAILED(api.GetActivationFactory(managerClass.Get(), kIidToastNotificationManagerStatics,
                                        reinterpret_cast<void**>(&toasts->manager_))) ||
        FAILED(api.GetActivationFactory(toastClass.Get(), kIidToastNotificationFactory,
                                        reinterpret_cast<void**>(&toasts->factory_))))
        return nullptr;
    return toasts;
}

TToastNotifier::~TToastNotifier() {
    for (const TShown& shown : shown_) Forget(shown);
    ReleaseAndClear(notifier_);
    ReleaseAndClear(factory_);
    ReleaseAndClear(manager_);
}

void TToastNotifier::Forget(const TShown& shown) {
    // The toast stays on screen; only our interest in its click ends.
    shown.Toast->remove_Activated(shown.Token);
    shown.Toast->Release();
}

bool TToastNotifier::CreateNotifier(const std::wstring& appUserModelId) {
    const THString id(appUserModelId);
    if (!id.Valid(appUserModelId)) return false;
    ReleaseAndClear(notifier_);
    return SUCCEEDED(manager_->CreateToastNotifierWithId(id.Get(), &notifier_)) && notifier_ != nullptr;
}

bool TToastNotifier::Show(const TNotification& notification) {
    if (notifier_ == nullptr) return false;
    const TWinRtApi& api = WinRt();
    const std::wstring xml = Wide(ToastXml(notification.Title, notification.Body));
    const THString xmlText(xml), documentClass(kXmlDocumentClass);
    if (!xmlText.Valid(xml)) return false;

    IInspectable* instance = nullptr;
    IXmlDocumentIO* io = nullptr;
    IXmlDocument* document = nullptr;
    IToastNotification* toast = nullptr;
    bool shown = false;
    if (SUCCEEDED(api.ActivateInstance(documentClass.Get(), &instance)) &&
        SUCCEEDED(instance->QueryInterface(kIidXmlDocumentIO, reinterpret_cast<void**>(&io))) &&
        SUCCEEDED(io->LoadXml(xmlText.Get())) &&
        SUCCEEDED(instance->QueryInterface(kIidXmlDocument, reinterpret_cast<void**>(&document))) &&
        SUCCEEDED(factory_->CreateToastNotification(document, &toast)) && toast != nullptr) {
        auto* handler = new TActivatedHandler(notification.Name, onActivated_);
        TEventRegistrationToken token{};
        const bool listening = SUCCEEDED(toast->add_Activated(handler, &token));
        handler->Release();  // the toast holds it while registered
        shown = SUCCEEDED(notifier_->Show(toast));
        if (shown && listening) {
            if (shown_.size() == kToastsKept) {
                Forget(shown_.front());
                shown_.erase(shown_.begin());
            }
            shown_.push_back({toast, token});
            toast = nullptr;
        } else if (listening) {
            toast->remove_Activated(token);
        }
    }
    ReleaseAndClear(toast);
    ReleaseAndClear(document);
    ReleaseAndClear(io);
    ReleaseAndClear(instance);
    return shown;
}

}  // namespace vellum
