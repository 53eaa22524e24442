#pragma once

namespace vellum {

// The scheme that carries the page's "file:" requests to the user-interface process:
// "file:///a/b.css" travels as "vellum-file:///a/b.css". WebKit lets no one register "file"
// itself as a custom scheme.
inline constexpr const char* kPageScheme = "vellum-file";

// The message that tells the web extension which "file:" document the page is about to load
// from the host's bytes (its one parameter, a string): that request keeps its address.
inline constexpr const char* kOwnDocumentMessage = "vellum-own-document";

}  // namespace vellum
