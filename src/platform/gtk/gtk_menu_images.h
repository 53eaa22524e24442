#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>
#include <vector>

namespace vellum {

// A reference to a GdkPixbuf, released when it goes.
class TPixbuf {
public:
    TPixbuf() = default;
    explicit TPixbuf(GdkPixbuf* adopted) : pixbuf_(adopted) {}
    ~TPixbuf() {
        if (pixbuf_ != nullptr) g_object_unref(pixbuf_);
    }
    TPixbuf(const TPixbuf& other)
        : pixbuf_(other.pixbuf_ != nullptr ? GDK_PIXBUF(g_object_ref(other.pixbuf_)) : nullptr) {}
    TPixbuf& operator=(TPixbuf other) {
        std::swap(pixbuf_, other.pixbuf_);
        return *this;
    }
    GdkPixbuf* Get() const { return pixbuf_; }

private:
    GdkPixbuf* pixbuf_ = nullptr;
};

// Decodes an image file's bytes with GdkPixbuf (PNG, JPEG, BMP, GIF, TIFF, ICO: its first
// frame) into an RGBA picture `side` pixels square. Raises EVellumError ("The menu image cannot
// be decoded (step, error code)") for bytes it cannot decode and for pictures beyond 16384
// pixels a side, which are refused before their pixels are allocated.
TPixbuf DecodeMenuImage(const std::vector<std::uint8_t>& encoded, int side);

// The picture in grey, half transparent: how a disabled item shows its image.
TPixbuf GreyedMenuImage(const TPixbuf& image);

}  // namespace vellum
