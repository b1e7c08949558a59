// Command-line options of tesselon-batch.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tesselon {

struct CliOptions {
    bool help = false;
    bool version = false;
    std::optional<std::string> configFile;      // --config FILE
    std::optional<std::string> saveConfigFile;  // --save-config FILE
};

struct CliParseResult {
    std::optional<CliOptions> options;  // empty on a usage error
    std::string error;                  // one line, for stderr
};

CliParseResult parseCliOptions(const std::vector<std::string>& args);

// The text printed by --help.
std::string cliUsage();

}  // namespace tesselon
