#pragma once

#include <string>

namespace vellum {

// The web extension travels inside the program image, so that an app stays one file: the page
// writes it into a folder of its own below the app's data folder before the first web process
// starts, and leaves a copy with the same bytes as it is. Answers the folder to hand to WebKit,
// or empty when the extension could not be written (the page then cannot reach "file:"
// sub-resources; the reason is on standard error).
std::string InstallWebExtension(const std::string& dataDir);

// The extension's bytes as the build made them.
struct TEmbeddedBytes {
    const unsigned char* Data;
    unsigned long Size;
};
TEmbeddedBytes EmbeddedWebExtension();

}  // namespace vellum
