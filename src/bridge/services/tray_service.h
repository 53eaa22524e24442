#pragma once

namespace vellum {

// The notification-area icon of the hidden bridge form.
class ITrayService {
public:
    virtual ~ITrayService() = default;
    virtual bool IconVisible() const = 0;
};

}  // namespace vellum
