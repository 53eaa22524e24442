#pragma once

#include <memory>

#include "core/stream/stream.h"
#include "webview2/com_object.h"

namespace vellum::webview2 {

template <>
inline constexpr const GUID* kInterfaceId<IStream> = &IID_IStream;

// An IStream over one of our streams, for runtime calls that read or write content. It either
// borrows the stream (the caller keeps it alive for as long as the runtime may use it) or owns it.
class TStreamAdapter final : public TComObject<IStream> {
public:
    explicit TStreamAdapter(TStream& borrowed) : stream_(borrowed) {}
    explicit TStreamAdapter(std::unique_ptr<TStream> owned) : owned_(std::move(owned)), stream_(*owned_) {}

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* statistics, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override {
        if (clone != nullptr) *clone = nullptr;
        return E_NOTIMPL;
    }

private:
    std::unique_ptr<TStream> owned_;
    TStream& stream_;
};

}  // namespace vellum::webview2
