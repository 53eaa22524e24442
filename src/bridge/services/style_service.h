#pragma once

#include <string>
#include <vector>

namespace vellum {

// The visual styles (themes) of the host's own windows: their frames and captions and the boxes
// and forms the host creates, not the page. Exactly one is active; "Windows" is the native look.
// A change lasts until the process ends.
class IStyleService {
public:
    virtual ~IStyleService() = default;
    // "Windows" and the name of every style the executable carries, in no particular order.
    virtual std::vector<std::string> Names() const = 0;
    virtual std::string ActiveName() const = 0;
    // Activates the theme whose name equals `name` without regard to letter case (the user's
    // locale decides), loading its style on first use; every host window repaints. Without a
    // match nothing changes and nothing is shown.
    virtual void TrySelect(const std::string& name) = 0;
};

}  // namespace vellum
