#include "platform/win32/menu_image_decoder_win32.h"

#include <windows.h>
#include <wincodec.h>

#include <cstdio>
#include <string>

#include "core/errors.h"

namespace vellum {

namespace {

// Releases a COM pointer when it goes.
template <typename T>
class TReleasing {
public:
    TReleasing() = default;
    ~TReleasing() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    TReleasing(const TReleasing&) = delete;
    TReleasing& operator=(const TReleasing&) = delete;
    T** Out() { return &pointer_; }
    T* operator->() const { return pointer_; }
    T* Get() const { return pointer_; }

private:
    T* pointer_ = nullptr;
};

constexpr UINT kLargestSide = 16384;

void Check(HRESULT result, const char* step) {
    if (FAILED(result)) {
        char code[16];
        std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(result));
        throw EVellumError(std::string("The menu image cannot be decoded (") + step + ", error " + code + ")");
    }
}

}  // namespace

TSquareImage DecodeSquareImage(const std::vector<std::uint8_t>& encoded, int size) {
    if (encoded.empty() || encoded.size() > 0xFFFFFFFFu) Check(E_INVALIDARG, "no bytes");
    TReleasing<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(factory.Out())),
          "imaging component");
    TReleasing<IWICStream> stream;
    Check(factory->CreateStream(stream.Out()), "stream");
    Check(stream->InitializeFromMemory(const_cast<BYTE*>(encoded.data()), static_cast<DWORD>(encoded.size())),
          "stream");
    TReleasing<IWICBitmapDecoder> decoder;
    Check(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Out()),
          "format");
    TReleasing<IWICBitmapFrameDecode> frame;
    Check(decoder->GetFrame(0, frame.Out()), "frame");
    UINT width = 0, height = 0;
    Check(frame->GetSize(&width, &height), "size");
    if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) Check(E_INVALIDARG, "size");
    TReleasing<IWICFormatConverter> converter;
    Check(factory->CreateFormatConverter(converter.Out()), "conversion");
    Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                WICBitmapPaletteTypeCustom),
          "conversion");
    TReleasing<IWICBitmapScaler> scaler;
    Check(factory->CreateBitmapScaler(scaler.Out()), "scaling");
    const UINT side = static_cast<UINT>(size);
    Check(scaler->Initialize(converter.Get(), side, side, WICBitmapInterpolationModeFant), "scaling");
    TSquareImage image;
    image.Size = size;
    image.Pixels.resize(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    Check(scaler->CopyPixels(nullptr, side * 4, static_cast<UINT>(image.Pixels.size() * 4),
                             reinterpret_cast<BYTE*>(image.Pixels.data())),
          "pixels");
    return image;
}

TSquareImage GreyedImage(const TSquareImage& image) {
    TSquareImage grey = image;
    for (std::uint32_t& pixel : grey.Pixels) {
        const std::uint32_t b = pixel & 0xFF, g = (pixel >> 8) & 0xFF, r = (pixel >> 16) & 0xFF, a = pixel >> 24;
        // Premultiplied: halving every channel halves the opacity and keeps the colour.
        const std::uint32_t luminance = (r * 77 + g * 150 + b * 29) >> 9;
        pixel = (a / 2) << 24 | luminance << 16 | luminance << 8 | luminance;
    }
    return grey;
}

}  // namespace vellum
