#include "app/forms/key_pictogram_win32.h"

#include <cmath>
#include <vector>

namespace vellum {

HICON CreateKeyPictogram(int size) {
    // The key: a ring on the left, a shaft to the right with two teeth; gold with a dark edge.
    std::vector<DWORD> pixels(static_cast<std::size_t>(size) * size, 0);
    const double unit = size / 16.0;
    auto put = [&](int x, int y, DWORD argb) {
        if (x >= 0 && y >= 0 && x < size && y < size) pixels[static_cast<std::size_t>(y) * size + x] = argb;
    };
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double fx = (x + 0.5) / unit, fy = (y + 0.5) / unit;
            const double ring = std::hypot(fx - 4.5, fy - 8.0);
            const bool inRing = ring <= 3.6 && ring >= 1.4;
            const bool shaft = fx >= 7.5 && fx <= 15.0 && fy >= 7.0 && fy <= 9.0;
            const bool teeth = (fx >= 11.0 && fx <= 12.2 && fy > 9.0 && fy <= 11.5) ||
                               (fx >= 13.5 && fx <= 14.7 && fy > 9.0 && fy <= 12.0);
            if (inRing || shaft || teeth) put(x, y, (ring > 3.0 && inRing) ? 0xFF8A6D0B : 0xFFE8B923);
        }
    }
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = size;
    header.bV5Height = -size;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP color = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (color == nullptr) return nullptr;
    std::copy(pixels.begin(), pixels.end(), static_cast<DWORD*>(bits));
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    ICONINFO info{TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(color);
    return icon;
}

}  // namespace vellum
