#pragma once

#include <atomic>
#include <functional>
#include <tuple>
#include <utility>

#include "webview2/com_ptr.h"
#include "webview2/webview2_abi.h"

namespace vellum::webview2 {

// A reference-counted implementation of one or more COM interfaces, all deriving directly from
// IUnknown. The object deletes itself when the last reference goes.
template <class... TInterfaces>
class TComObject : public TInterfaces... {
public:
    TComObject() = default;
    TComObject(const TComObject&) = delete;
    TComObject& operator=(const TComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown) {
            *object = static_cast<IUnknown*>(static_cast<FirstInterface*>(this));
        } else {
            ((riid == *kInterfaceId<TInterfaces> ? (*object = static_cast<TInterfaces*>(this), true) : false) || ...);
        }
        if (*object == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~TComObject() = default;

private:
    using FirstInterface = std::tuple_element_t<0, std::tuple<TInterfaces...>>;
    std::atomic<ULONG> references_{1};
};

// Creates a COM object; the caller owns the one reference it starts with.
template <class TObject, class... TArguments>
TObject* NewComObject(TArguments&&... arguments) {
    return new TObject(std::forward<TArguments>(arguments)...);
}

// An event or completion handler whose Invoke calls a function.
template <class THandlerInterface, class... TArguments>
class TCallbackHandler final : public TComObject<THandlerInterface> {
public:
    using TCallback = std::function<HRESULT(TArguments...)>;
    explicit TCallbackHandler(TCallback callback) : callback_(std::move(callback)) {}
    HRESULT STDMETHODCALLTYPE Invoke(TArguments... arguments) override { return callback_(arguments...); }

private:
    TCallback callback_;
};

namespace detail {
template <class TMethod>
struct TInvokeSignature;
template <class TClass, class... TArguments>
struct TInvokeSignature<HRESULT (STDMETHODCALLTYPE TClass::*)(TArguments...)> {
    template <class THandlerInterface>
    using THandler = TCallbackHandler<THandlerInterface, TArguments...>;
};
}  // namespace detail

// A handler object of the given interface whose Invoke calls `callback` with Invoke's arguments.
template <class THandlerInterface, class TFunction>
TComPtr<THandlerInterface> Callback(TFunction&& callback) {
    using THandler =
        typename detail::TInvokeSignature<decltype(&THandlerInterface::Invoke)>::template THandler<THandlerInterface>;
    return TComPtr<THandlerInterface>::Adopt(new THandler(std::forward<TFunction>(callback)));
}

}  // namespace vellum::webview2
