#include "cli/batch_main.h"

#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "cli/batch_report.h"
#include "cli/cli_options.h"
#include "cli/progress_line.h"
#include "cli/remote_source.h"
#include "cli/terminal_frontend.h"
#include "engine/program_setup.h"
#include "core/state.h"
#include "processing/batch/batch_preconditions.h"
#include "processing/batch/parallel_batch.h"
#include "processing/text/phrases_file.h"
#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/paths.h"
#include "settings/defaults.h"
#include "settings/settings_file.h"
#include "sources/scan_images.h"

namespace tesselon {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Set by SIGINT; the one piece of process-wide state a signal handler may touch.
volatile sig_atomic_t gInterrupted = 0;

void onInterrupt(int) { gInterrupted = 1; }

// SIGINT handling for the length of a batch; the old handler comes back afterwards.
class InterruptGuard {
public:
    InterruptGuard() {
        gInterrupted = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }

private:
    struct sigaction previous_ {};
};

void applyOptions(const CliOptions& o, STRProcesosEntorno& env) {
    if (o.source) {
        env.RutaOrigenLocal = withTrailingSeparator(*o.source);
        env.LocalRemoto = std::string("L");  // not a literal: GCC 12 warns falsely (-Wrestrict)
    }
    if (o.dest) env.RutaImagenesDestino = withTrailingSeparator(*o.dest);
    if (o.format) env.FormatoImagen = *o.format;
    if (o.quality) env.CalidadGrabacion = *o.quality;
    if (o.subfolders) env.imagenesRecursivo = *o.subfolders ? 1 : 0;
    if (o.overwrite) env.imagenesSobreescribir = 1;
}

int defaultJobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : int(cores);
}

int convert(AppState& state, const CliOptions& options, TerminalFrontend& ui, std::FILE* err) {
    STRProcesosEntorno& env = state.settings.entorno;
    RemoteFetch remote;
    if (env.LocalRemoto == "R") {
        remote = fetchRemoteSource(state, ui, err, options.quiet);
        if (remote.exitCode != kExitOk) return remote.exitCode;
    } else if (fileSize(env.RutaOrigenLocal) != kFileIsFolder) {
        std::fprintf(err, "tesselon-batch: source folder '%s' does not exist\n", env.RutaOrigenLocal.c_str());
        return kExitUsage;
    } else {
        scanImages(state, env.imagenesRecursivo != 0);
    }
    readPhrasesFile(state);
    if (state.SourceImageList.empty()) {
        checkBatchPreconditions(state);  // tells the user the folder holds no images
        return kExitOk;
    }

    ui.questionAnswer = options.yes ? MessageAnswer::Yes : MessageAnswer::No;
    const BatchGate gate = checkBatchPreconditions(state);
    if (gate != BatchGate::Proceed) {
        if (gate == BatchGate::OverwriteDeclined)
            std::fprintf(err, "tesselon-batch: not overwriting the sources without --yes\n");
        return kExitUsage;
    }

    std::atomic<bool> cancel{false};
    InterruptGuard interrupts;
    ParallelBatchOptions run;
    run.jobs = options.jobs.value_or(defaultJobs());
    run.cancel = &cancel;
    ProgressLine progress(options.quiet ? nullptr : err);
    run.onProgress = [&](size_t done, size_t total) {
        if (gInterrupted) cancel.store(true);
        progress.update(done, total);
    };
    const auto start = std::chrono::steady_clock::now();
    const ParallelBatchOutcome outcome = runParallelBatch(state, run);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    progress.update(outcome.processed, outcome.total);

    if (options.report && !writeFileReplacing(*options.report, composeBatchReport(state.SourceImageList)))
        std::fprintf(err, "tesselon-batch: cannot write report '%s'\n", options.report->c_str());

    // Every image that was skipped is named, whatever --quiet says: it is an error.
    for (size_t i : outcome.unreadable)
        std::fprintf(err, "tesselon-batch: skipped '%s': not a readable image\n",
                     state.SourceImageList.entries[i].path.c_str());
    for (size_t i : outcome.unsaved)
        std::fprintf(err, "tesselon-batch: not saved '%s': the result could not be written to '%s'\n",
                     state.SourceImageList.entries[i].path.c_str(),
                     state.SourceImageList.entries[i].outputPath.c_str());

    const size_t failed = outcome.processed - outcome.saved;
    if (!options.quiet) {
        std::fprintf(err, "%zu of %zu images saved, %zu failed%s in %.1f s (%.2f images/s)\n", outcome.saved,
                     outcome.total, failed,
                     outcome.cancelled          ? ", cancelled"
                     : outcome.destinationFailed ? ", destination folder failed"
                                                 : "",
                     seconds, seconds > 0 ? double(outcome.processed) / seconds : 0.0);
    }
    const bool allSaved = outcome.saved == outcome.total && !outcome.cancelled && remote.failed.empty();
    return allSaved ? kExitOk : kExitFailed;
}

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
    frontend.quiet = options.quiet;
    AppState state;
    state.frontend = &frontend;
    initProgramState(state, programFolder, currentDate());
    registerProgramCodecs(state.codecs);
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
    applyOptions(options, state.settings.entorno);
    applyRemoteOptions(options.remote, state.settings.entorno);

    if (options.saveConfigFile && !saveSettings(state, *options.saveConfigFile)) return kExitFailed;
    if (!options.convert()) return kExitOk;
    return convert(state, options, frontend, err);
}

}  // namespace tesselon
