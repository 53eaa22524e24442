#pragma once

namespace vellum {

// The script the WebKit page runs at the start of every document, before the host's own
// document scripts: the "window.chrome.webview" messaging the page library expects, over the
// page's script message handlers; fetch and XMLHttpRequest carrying "file:" addresses over our
// scheme (WebKit's loaders refuse "file:" there) while the page keeps seeing "file:"; and the
// console's messages handed to the host.
extern const char* const kPageShimScript;

// Names of the script message handlers the shim posts to.
inline constexpr const char* kMessageHandlerName = "vellum";
inline constexpr const char* kConsoleHandlerName = "vellumConsole";
// The page function through which the host delivers a message: it takes the JSON as a string.
inline constexpr const char* kDeliverFunction = "__vellumPostToPage";

}  // namespace vellum
