#pragma once

#include <utility>

#include "webview2/com_compat.h"

namespace vellum::webview2 {

// Holds one reference on a COM object and releases it when replaced or destroyed.
template <class T>
class TComPtr {
public:
    TComPtr() = default;
    TComPtr(std::nullptr_t) {}
    // Takes a new reference on `object`.
    explicit TComPtr(T* object) : object_(object) {
        if (object_ != nullptr) object_->AddRef();
    }
    TComPtr(const TComPtr& other) : TComPtr(other.object_) {}
    TComPtr(TComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ~TComPtr() { Reset(); }

    TComPtr& operator=(const TComPtr& other) {
        if (this != &other) TComPtr(other).Swap(*this);
        return *this;
    }
    TComPtr& operator=(TComPtr&& other) noexcept {
        if (this != &other) TComPtr(std::move(other)).Swap(*this);
        return *this;
    }

    // Adopts a reference the caller already owns (for example from a function's result).
    static TComPtr Adopt(T* object) {
        TComPtr pointer;
        pointer.object_ = object;
        return pointer;
    }

    void Reset() {
        if (T* object = std::exchange(object_, nullptr)) object->Release();
    }
    // Releases what is held and gives the address for an out parameter.
    T** Put() {
        Reset();
        return &object_;
    }
    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    void Swap(TComPtr& other) noexcept { std::swap(object_, other.object_); }

private:
    T* object_ = nullptr;
};

}  // namespace vellum::webview2
