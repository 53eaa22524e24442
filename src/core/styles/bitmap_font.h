#pragma once

namespace vellum {

// The 35 cells (7 rows of 5, '#' set) of a character of the preview's font, or nullptr.
const char* FontGlyph(char c);

}  // namespace vellum
