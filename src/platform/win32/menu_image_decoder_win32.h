#pragma once

#include <cstdint>
#include <vector>

namespace vellum {

// An image square in 32-bit premultiplied BGRA pixels, rows from the top.
struct TSquareImage {
    int Size = 0;
    std::vector<std::uint32_t> Pixels;
};

// Decodes an image file's bytes with the Windows Imaging Component (PNG, JPEG, BMP, GIF, TIFF,
// ICO: its first frame) and scales it to `size` pixels square. Raises EVellumError for bytes it
// cannot decode and for pictures beyond 16384 pixels a side. Needs COM on the calling thread.
TSquareImage DecodeSquareImage(const std::vector<std::uint8_t>& encoded, int size);

// The image in grey, half transparent: how a disabled item shows it.
TSquareImage GreyedImage(const TSquareImage& image);

}  // namespace vellum
