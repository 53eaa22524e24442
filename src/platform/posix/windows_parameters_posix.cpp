#include "platform/posix/windows_parameters.h"

namespace vellum {

std::vector<std::string> SplitWindowsParameters(const std::string& parameters) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    const std::size_t size = parameters.size();
    for (;;) {
        while (i < size && (parameters[i] == ' ' || parameters[i] == '\t')) ++i;
        if (i == size) return arguments;
        std::string argument;
        bool quoted = false;
        while (i < size && (quoted || (parameters[i] != ' ' && parameters[i] != '\t'))) {
            std::size_t backslashes = 0;
            for (; i < size && parameters[i] == '\\'; ++i) ++backslashes;
            if (i < size && parameters[i] == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                } else if (quoted && i + 1 < size && parameters[i + 1] == '"') {
                    argument += '"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                argument.append(backslashes, '\\');
                if (i < size && backslashes == 0) argument += parameters[i++];
            }
        }
        arguments.push_back(std::move(argument));
    }
}

}  // namespace vellum
