#pragma once

#include <string>

#include "core/styles/raster_image.h"

namespace vellum::pack {

// The picture as a PNG file's bytes: 8-bit RGBA, no interlacing, each row unfiltered, the
// image data one zlib stream.
std::string EncodePng(const TRasterImage& image);

}  // namespace vellum::pack
