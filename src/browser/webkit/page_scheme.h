#pragma once

namespace vellum {

// The scheme that carries the page's "file:" requests to the user-interface process:
// "file:///a/b.css" travels as "vellum-file:///a/b.css". WebKit lets no one register "file"
// itself as a custom scheme.
inline constexpr const char* kPageScheme = "vellum-file";

}  // namespace vellum
