#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vellum {

// A 32-bit picture in memory (0xAARRGGBB per pixel, rows top to bottom) with the few drawing
// operations the theme preview needs. Everything drawn is clipped to the picture.
class TRasterImage {
public:
    TRasterImage() = default;
    TRasterImage(int width, int height, std::uint32_t fill = 0xFF000000u);

    int Width() const { return width_; }
    int Height() const { return height_; }
    std::uint32_t Pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
    const std::vector<std::uint32_t>& Pixels() const { return pixels_; }

    void FillRect(int left, int top, int width, int height, std::uint32_t rgb);
    // A rectangle whose corners are cut round with the radius.
    void FillRoundRect(int left, int top, int width, int height, int radius, std::uint32_t rgb);
    // An outline `thickness` pixels wide inside the rectangle.
    void FrameRect(int left, int top, int width, int height, int thickness, std::uint32_t rgb);
    void Line(int x0, int y0, int x1, int y1, int thickness, std::uint32_t rgb);

    // Text in the built-in 5 by 7 pixel font, each font pixel `scale` pixels square; characters
    // the font lacks are drawn as an open box.
    void DrawText(int left, int top, std::string_view text, std::uint32_t rgb, int scale);
    static int TextWidth(std::string_view text, int scale);
    static int TextHeight(int scale) { return 7 * scale; }

private:
    void Put(int x, int y, std::uint32_t rgb);

    int width_ = 0, height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace vellum
