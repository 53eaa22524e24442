#pragma once

#include "core/styles/raster_image.h"
#include "core/styles/style_resource.h"

namespace vellum {

// Draws a sample window in the style over the whole picture: its frame and caption bar with
// the window icon and the style's name, a line of text, and the buttons "OK" and "Cancel".
void DrawStylePreview(const TStyleResource& style, TRasterImage& image);

}  // namespace vellum
