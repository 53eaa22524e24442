#include "platform/gtk/gtk_menu_images.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/errors.h"

namespace vellum {

namespace {

constexpr int kLargestSide = 16384;

[[noreturn]] void Fail(const char* step, unsigned code) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", code);
    throw EVellumError(std::string("The menu image cannot be decoded (") + step + ", error " + text + ")");
}

// GError's code, or 1 when the loader gave none.
unsigned CodeOf(GError* error) {
    const unsigned code = error != nullptr ? static_cast<unsigned>(error->code) + 1u : 1u;
    if (error != nullptr) g_error_free(error);
    return code;
}

// Refuses oversized pictures from their header, before the loader allocates their pixels.
void CheckSize(GdkPixbufLoader*, int width, int height, gpointer tooLarge) {
    if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide)
        *static_cast<bool*>(tooLarge) = true;
}

class TLoader {
public:
    TLoader() : loader_(gdk_pixbuf_loader_new()) {}
    ~TLoader() {
        // Closing an unfinished loader reports an error of its own, which is not ours to keep.
        GError* ignored = nullptr;
        gdk_pixbuf_loader_close(loader_, &ignored);
        if (ignored != nullptr) g_error_free(ignored);
        g_object_unref(loader_);
    }
    TLoader(const TLoader&) = delete;
    TLoader& operator=(const TLoader&) = delete;
    GdkPixbufLoader* Get() const { return loader_; }

private:
    GdkPixbufLoader* loader_;
};

}  // namespace

TPixbuf DecodeMenuImage(const std::vector<std::uint8_t>& encoded, int side) {
    if (encoded.empty() || encoded.size() > 0xFFFFFFFFu) Fail("no bytes", 0x80070057u);
    if (side <= 0 || side > kLargestSide) Fail("scaling", 0x80070057u);
    TLoader loader;
    bool tooLarge = false;
    g_signal_connect(loader.Get(), "size-prepared", G_CALLBACK(CheckSize), &tooLarge);
    // Fed in pieces so that a picture too large is refused once its header has been read.
    constexpr std::size_t kPiece = 64 * 1024;
    for (std::size_t at = 0; at < encoded.size() && !tooLarge; at += kPiece) {
        const std::size_t length = std::min(kPiece, encoded.size() - at);
        GError* error = nullptr;
        if (!gdk_pixbuf_loader_write(loader.Get(), encoded.data() + at, length, &error)) {
            if (tooLarge) break;
            Fail("format", CodeOf(error));
        }
    }
    if (tooLarge) Fail("size", 0x80070057u);
    GError* error = nullptr;
    if (!gdk_pixbuf_loader_close(loader.Get(), &error)) Fail(tooLarge ? "size" : "format", CodeOf(error));
    if (tooLarge) Fail("size", 0x80070057u);
    GdkPixbuf* frame = gdk_pixbuf_loader_get_pixbuf(loader.Get());
    if (frame == nullptr) Fail("frame", 1u);
    TPixbuf rgba(gdk_pixbuf_get_has_alpha(frame) ? GDK_PIXBUF(g_object_ref(frame))
                                                 : gdk_pixbuf_add_alpha(frame, FALSE, 0, 0, 0));
    if (rgba.Get() == nullptr) Fail("conversion", 1u);
    TPixbuf scaled(gdk_pixbuf_scale_simple(rgba.Get(), side, side, GDK_INTERP_HYPER));
    if (scaled.Get() == nullptr) Fail("scaling", 1u);
    return scaled;
}

TPixbuf GreyedMenuImage(const TPixbuf& image) {
    TPixbuf grey(gdk_pixbuf_copy(image.Get()));
    if (grey.Get() == nullptr) return image;
    const int width = gdk_pixbuf_get_width(grey.Get()), height = gdk_pixbuf_get_height(grey.Get());
    const int stride = gdk_pixbuf_get_rowstride(grey.Get());
    const int channels = gdk_pixbuf_get_n_channels(grey.Get());
    guchar* pixels = gdk_pixbuf_get_pixels(grey.Get());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            guchar* pixel = pixels + y * stride + x * channels;
            // The same weights as the Windows menus' grey (77, 150, 29 of 256).
            const unsigned luminance = (pixel[0] * 77u + pixel[1] * 150u + pixel[2] * 29u) >> 8;
            pixel[0] = pixel[1] = pixel[2] = static_cast<guchar>(luminance);
            if (channels == 4) pixel[3] = static_cast<guchar>(pixel[3] / 2);
        }
    }
    return grey;
}

}  // namespace vellum
