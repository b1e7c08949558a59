#include "cli/batch_main.h"

#include "cli/cli_options.h"
#include "cli/terminal_frontend.h"
#include "engine/program_setup.h"
#include "engine/state.h"
#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"
#include "settings/defaults.h"
#include "settings/settings_file.h"

namespace tesselon {

namespace {
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
}  // namespace

int runBatchCli(const std::vector<std::string>& args, const std::string& programFolder, std::FILE* out,
                std::FILE* err) {
    CliParseResult parsed = parseCliOptions(args);
    if (!parsed.options) {
        std::fprintf(err, "tesselon-batch: %s (try --help)\n", parsed.error.c_str());
        return kExitUsage;
    }
    const CliOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(cliUsage().c_str(), out);
        return kExitOk;
    }
    if (options.version) {
        std::fputs("0.3f\n", out);
        return kExitOk;
    }

    TerminalFrontend frontend(err);
    AppState state;
    state.frontend = &frontend;
    initProgramState(state, programFolder, currentDate());
    if (options.configFile) {
        // A settings file named on purpose must exist; a typo would silently run on defaults.
        if (fileSize(*options.configFile) < 0) {
            std::fprintf(err, "tesselon-batch: cannot read settings file '%s'\n", options.configFile->c_str());
            return kExitUsage;
        }
        state.SettingsFilePath = *options.configFile;
    }

    resetToDefaults(state.settings, state.DefaultWatermarkText);
    loadSettings(state.settings, state.SettingsFilePath);

    if (options.saveConfigFile && !saveSettings(state, *options.saveConfigFile)) return kExitFailed;
    return kExitOk;
}

}  // namespace tesselon
