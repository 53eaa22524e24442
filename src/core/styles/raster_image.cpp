#include "core/styles/raster_image.h"

#include <algorithm>
#include <cstdlib>

#include "core/styles/bitmap_font.h"

namespace vellum {

TRasterImage::TRasterImage(int width, int height, std::uint32_t fill)
    : width_(std::max(0, width)), height_(std::max(0, height)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill) {}

void TRasterImage::Put(int x, int y, std::uint32_t rgb) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
        pixels_[static_cast<std::size_t>(y) * width_ + x] = 0xFF000000u | (rgb & 0xFFFFFFu);
}

void TRasterImage::FillRect(int left, int top, int width, int height, std::uint32_t rgb) {
    const int x0 = std::max(left, 0), y0 = std::max(top, 0);
    const int x1 = std::min(left + width, width_), y1 = std::min(top + height, height_);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) Put(x, y, rgb);
}

void TRasterImage::FillRoundRect(int left, int top, int width, int height, int radius, std::uint32_t rgb) {
    radius = std::clamp(radius, 0, std::min(width, height) / 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Distance into the corner square, measured from the corner circle's centre.
            const int dx = x < radius ? radius - x : (x >= width - radius ? x - (width - radius - 1) : 0);
            const int dy = y < radius ? radius - y : (y >= height - radius ? y - (height - radius - 1) : 0);
            if (dx > 0 && dy > 0 && dx * dx + dy * dy > radius * radius) continue;
            Put(left + x, top + y, rgb);
        }
}

void TRasterImage::FrameRect(int left, int top, int width, int height, int thickness, std::uint32_t rgb) {
    if (thickness <= 0) return;
    FillRect(left, top, width, thickness, rgb);
    FillRect(left, top + height - thickness, width, thickness, rgb);
    FillRect(left, top, thickness, height, rgb);
    FillRect(left + width - thickness, top, thickness, height, rgb);
}

void TRasterImage::Line(int x0, int y0, int x1, int y1, int thickness, std::uint32_t rgb) {
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
        const int x = steps == 0 ? x0 : x0 + (x1 - x0) * i / steps;
        const int y = steps == 0 ? y0 : y0 + (y1 - y0) * i / steps;
        FillRect(x - thickness / 2, y - thickness / 2, thickness, thickness, rgb);
    }
}

int TRasterImage::TextWidth(std::string_view text, int scale) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * 6 * scale - scale;
}

void TRasterImage::DrawText(int left, int top, std::string_view text, std::uint32_t rgb, int scale) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int x = left + static_cast<int>(i) * 6 * scale;
        if (x >= width_) break;
        const char* cells = FontGlyph(text[i]);
        if (cells == nullptr) {
            FrameRect(x, top, 5 * scale, 7 * scale, std::max(1, scale / 2), rgb);
            continue;
        }
        for (int row = 0; row < 7; ++row)
            for (int column = 0; column < 5; ++column)
                if (cells[row * 5 + column] == '#') FillRect(x + column * scale, top + row * scale, scale, scale, rgb);
    }
}

}  // namespace vellum
