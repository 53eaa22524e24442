#pragma once

namespace vellum {

// The delimiter between folders in the platform's own paths.
#ifdef _WIN32
constexpr char kPathDelimiter = '\\';
#else
constexpr char kPathDelimiter = '/';
#endif

}  // namespace vellum
