#include "webview2/stream_adapter.h"

#include <cstring>
#include <vector>

#include "core/errors.h"

namespace vellum::webview2 {

// Our streams report trouble by throwing; a COM caller gets a failure code instead.
HRESULT TStreamAdapter::Read(void* buffer, ULONG count, ULONG* read) {
    try {
        const std::size_t got = stream_.Read(buffer, count);
        if (read != nullptr) *read = static_cast<ULONG>(got);
        return got < count ? S_FALSE : S_OK;
    } catch (const std::exception&) {
        if (read != nullptr) *read = 0;
        return E_FAIL;
    }
}

HRESULT TStreamAdapter::Write(const void* buffer, ULONG count, ULONG* written) {
    try {
        stream_.Write(buffer, count);
        if (written != nullptr) *written = count;
        return S_OK;
    } catch (const std::exception&) {
        if (written != nullptr) *written = 0;
        return STG_E_CANTSAVE;
    }
}

HRESULT TStreamAdapter::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
    try {
        std::int64_t base = 0;
        if (origin == STREAM_SEEK_CUR)
            base = stream_.Position();
        else if (origin == STREAM_SEEK_END)
            base = stream_.Size();
        else if (origin != STREAM_SEEK_SET)
            return STG_E_INVALIDFUNCTION;
        const std::int64_t target = base + move.QuadPart;
        if (target < 0) return STG_E_INVALIDFUNCTION;
        stream_.SetPosition(target);
        if (position != nullptr) position->QuadPart = static_cast<std::uint64_t>(stream_.Position());
        return S_OK;
    } catch (const std::exception&) {
        return STG_E_INVALIDFUNCTION;
    }
}

HRESULT TStreamAdapter::SetSize(ULARGE_INTEGER size) {
    try {
        stream_.SetSize(static_cast<std::int64_t>(size.QuadPart));
        return S_OK;
    } catch (const std::exception&) {
        return STG_E_CANTSAVE;
    }
}

HRESULT TStreamAdapter::CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read, ULARGE_INTEGER* written) {
    if (target == nullptr) return E_POINTER;
    std::vector<char> buffer(64 * 1024);
    std::uint64_t left = count.QuadPart, readTotal = 0, writtenTotal = 0;
    HRESULT result = S_OK;
    while (left > 0) {
        ULONG got = 0;
        const ULONG want = static_cast<ULONG>(std::min<std::uint64_t>(left, buffer.size()));
        result = Read(buffer.data(), want, &got);
        if (FAILED(result) || got == 0) break;
        readTotal += got;
        ULONG put = 0;
        result = target->Write(buffer.data(), got, &put);
        writtenTotal += put;
        if (FAILED(result)) break;
        left -= got;
    }
    if (read != nullptr) read->QuadPart = readTotal;
    if (written != nullptr) written->QuadPart = writtenTotal;
    return FAILED(result) ? result : S_OK;
}

HRESULT TStreamAdapter::Stat(STATSTG* statistics, DWORD) {
    if (statistics == nullptr) return E_POINTER;
#ifdef _WIN32
    std::memset(statistics, 0, sizeof *statistics);
    statistics->type = STGTY_STREAM;
    try {
        statistics->cbSize.QuadPart = static_cast<ULONGLONG>(stream_.Size());
    } catch (const std::exception&) {
        return E_FAIL;
    }
    return S_OK;
#else
    return E_NOTIMPL;
#endif
}

}  // namespace vellum::webview2
