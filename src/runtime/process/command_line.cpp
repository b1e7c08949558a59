#include "runtime/process/command_line.h"

namespace tesselon {

std::vector<std::string> splitCommandLine(std::string_view text) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (inArgument) arguments.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) arguments.push_back(std::move(current));
    return arguments;
}

}  // namespace tesselon
