#include "app/browser_form/instance_parameters.h"

#include <algorithm>

namespace vellum {

std::vector<std::string> SplitInstanceParameters(const std::string& parameters) {
    // The form's own shape, "ID" "address": an ID holds no double quote (it names a folder), so
    // the address is everything between the next quote and the last one, quotes included.
    if (parameters.size() >= 5 && parameters.front() == '"' && parameters.back() == '"') {
        const std::size_t idEnd = parameters.find("\" \"", 1);
        if (idEnd != std::string::npos && parameters.find('"', 1) == idEnd && idEnd + 3 < parameters.size())
            return {parameters.substr(1, idEnd - 1), parameters.substr(idEnd + 3, parameters.size() - idEnd - 4)};
    }
    std::vector<std::string> items;
    std::size_t at = 0;
    while (at < parameters.size()) {
        if (parameters[at] == ' ') {
            ++at;
            continue;
        }
        if (parameters[at] == '"') {
            const std::size_t close = parameters.find('"', at + 1);
            const std::size_t end = close == std::string::npos ? parameters.size() : close;
            items.push_back(parameters.substr(at + 1, end - at - 1));
            at = end + 1;
        } else {
            const std::size_t end = std::min(parameters.find(' ', at), parameters.size());
            items.push_back(parameters.substr(at, end - at));
            at = end;
        }
    }
    return items;
}

}  // namespace vellum
