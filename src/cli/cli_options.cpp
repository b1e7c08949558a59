#include "cli/cli_options.h"

namespace tesselon {

namespace {

// Accepts "--name VALUE" and "--name=VALUE".
bool takeValue(const std::vector<std::string>& args, size_t& i, const std::string& name,
               std::optional<std::string>& out, std::string& error) {
    const std::string& a = args[i];
    if (a == name) {
        if (i + 1 >= args.size()) {
            error = name + " needs a value";
            return true;
        }
        out = args[++i];
        return true;
    }
    if (a.rfind(name + "=", 0) == 0) {
        out = a.substr(name.size() + 1);
        return true;
    }
    return false;
}

}  // namespace

CliParseResult parseCliOptions(const std::vector<std::string>& args) {
    CliOptions o;
    std::string error;
    for (size_t i = 0; i < args.size() && error.empty(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (takeValue(args, i, "--config", o.configFile, error) ||
                   takeValue(args, i, "--save-config", o.saveConfigFile, error)) {
            if (error.empty() && ((o.configFile && o.configFile->empty()) ||
                                  (o.saveConfigFile && o.saveConfigFile->empty())))
                error = a + ": empty file name";
        } else {
            error = "unknown option: " + a;
        }
    }
    if (!error.empty()) return {std::nullopt, error};
    return {o, {}};
}

std::string cliUsage() {
    return "Usage: tesselon-batch [OPTIONS]\n"
           "\n"
           "Runs the Tesselon engine from a terminal.\n"
           "\n"
           "Settings are built from the defaults, then the settings file, then the options.\n"
           "\n"
           "Options:\n"
           "  --config FILE        read settings from FILE instead of default.cfg beside the program\n"
           "  --save-config FILE   write the effective settings to FILE\n"
           "  --version            print the version and exit\n"
           "  --help               print this help and exit\n"
           "\n"
           "Exit codes: 0 success, 1 a file could not be written, 2 usage error.\n";
}

}  // namespace tesselon
