#include "platform/win32/style_service_win32.h"

#include "core/styles/styles_utils.h"
#include "platform/win32/style_resources_win32.h"

namespace vellum {

TWin32StyleService::TWin32StyleService() {
    RegisterExecutableStylesOnce();
}

std::vector<std::string> TWin32StyleService::Names() const {
    std::vector<std::string> names;
    TStylesUtils::GetAvailables(names, false);
    return names;
}

std::string TWin32StyleService::ActiveName() const {
    return TStylesUtils::GetActiveTheme();
}

void TWin32StyleService::TrySelect(const std::string& name) {
    TStylesUtils::TrySetStyle(name, false);
}

}  // namespace vellum
