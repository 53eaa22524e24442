#include "platform/posix/xdg_data_home.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace vellum {

std::string XdgDataHome(const char* xdgDataHome, const char* home) {
    std::string folder;
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
        folder = xdgDataHome;
    } else {
        folder = home != nullptr ? home : "";
        while (!folder.empty() && folder.back() == '/') folder.pop_back();
        folder += "/.local/share";
    }
    if (folder.back() != '/') folder += '/';
    return folder;
}

std::string UserXdgDataHome() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* entry = getpwuid(getuid());
        home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    return XdgDataHome(std::getenv("XDG_DATA_HOME"), home);
}

}  // namespace vellum
