#include "tools/pack/png_writer.h"

#include <zlib.h>

#include "core/errors.h"

namespace vellum::pack {

namespace {

void PutU32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    PutU32(out, static_cast<std::uint32_t>(
                    crc32(0L, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

}  // namespace

std::string EncodePng(const TRasterImage& image) {
    std::string header;
    PutU32(header, static_cast<std::uint32_t>(image.Width()));
    PutU32(header, static_cast<std::uint32_t>(image.Height()));
    header += '\x08';  // bits per sample
    header += '\x06';  // colour type: RGBA
    header += std::string(3, '\0');  // deflate, adaptive filtering, no interlace

    std::string raw;
    raw.reserve(static_cast<std::size_t>(image.Height()) * (1 + 4 * static_cast<std::size_t>(image.Width())));
    for (int y = 0; y < image.Height(); ++y) {
        raw += '\0';  // filter: none
        for (int x = 0; x < image.Width(); ++x) {
            const std::uint32_t pixel = image.Pixel(x, y);
            raw += static_cast<char>((pixel >> 16) & 0xFF);
            raw += static_cast<char>((pixel >> 8) & 0xFF);
            raw += static_cast<char>(pixel & 0xFF);
            raw += static_cast<char>(pixel >> 24);
        }
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string compressed(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                  static_cast<uLong>(raw.size()), 9) != Z_OK)
        throw EVellumError("the picture cannot be compressed");
    compressed.resize(size);

    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", compressed);
    PutChunk(png, "IEND", "");
    return png;
}

}  // namespace vellum::pack
