#pragma once

#include <cstdint>

namespace vellum {

// Shows the busy window while the WebView2 runtime installs: an 80 x 80 borderless popup
// (scaled with the display) with a drop shadow, a rounded region, the application-starting
// cursor and a 64-pixel busy animation. It refuses every close; the process ends instead.
// `formColor` is a settings colour (0x00BBGGRR, or 0xFF0000nn for system colour nn),
// `indicatorColor` 0 black or 1 white, `indicatorType` 0 momentum dots, 1 rotating sector,
// 2 sector ring. Returns the window's handle.
void* ShowEdgeInstallerForm(std::int32_t formColor, std::int32_t indicatorColor, std::int32_t indicatorType);

}  // namespace vellum
