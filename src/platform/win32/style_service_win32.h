#pragma once

#include "bridge/services/style_service.h"

namespace vellum {

// The bridge's themes over the process's style manager and the executable's style resources.
class TWin32StyleService final : public IStyleService {
public:
    TWin32StyleService();
    std::vector<std::string> Names() const override;
    std::string ActiveName() const override;
    void TrySelect(const std::string& name) override;
};

}  // namespace vellum
