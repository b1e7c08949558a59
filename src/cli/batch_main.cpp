#include "cli/batch_main.h"

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "cli/batch_messages.h"
#include "cli/batch_report.h"
#include "cli/cli_options.h"
#include "cli/progress_line.h"
#include "cli/remote_source.h"
#include "cli/terminal_frontend.h"
#include "engine/program_folder.h"
#include "cli/terminal_text.h"
#include "engine/program_setup.h"
#include "core/state.h"
#include "processing/batch/batch_preconditions.h"
#include "processing/batch/parallel_batch.h"
#include "processing/text/overlay_text.h"
#include "processing/text/phrases_file.h"
#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/paths.h"
#include "runtime/fs/regular_file.h"
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
    if (o.extensions) env.ExtensionesActivas = *o.extensions;
    if (o.quality) env.CalidadGrabacion = *o.quality;
    if (o.subfolders) env.imagenesRecursivo = *o.subfolders ? 1 : 0;
    if (o.overwrite) env.imagenesSobreescribir = 1;
}

int defaultJobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : int(cores);
}

// Says why the phrases file gave no phrases when the batch needs them.
void reportPhrasesProblem(const AppState& state, OpenProblem problem, std::FILE* err) {
    const STRProcesosTexto& texto = state.settings.texto;
    if (problem == OpenProblem::None || texto.ArchivoFrases.empty() || texto.SoloMarcadeAgua != 0) return;
    std::fprintf(err, "tesselon-batch: cannot read phrases file '%s': %s\n", terminalSafe(texto.ArchivoFrases).c_str(),
                 describeOpenProblem(problem, kMaxTextFileBytes).c_str());
}

int convert(AppState& state, const CliOptions& options, TerminalFrontend& ui, std::FILE* err) {
    STRProcesosEntorno& env = state.settings.entorno;
    RemoteFetch remote;
    std::vector<ScanProblem> scanProblems;
    if (env.LocalRemoto == "R") {
        remote = fetchRemoteSource(state, ui, err, options.quiet);
        if (remote.exitCode != kExitOk) return remote.exitCode;
    } else if (fileSize(env.RutaOrigenLocal) != kFileIsFolder) {
        std::fprintf(err, "tesselon-batch: source folder '%s' does not exist\n",
                     terminalSafe(env.RutaOrigenLocal).c_str());
        return kExitUsage;
    } else {
        scanImages(state, env.imagenesRecursivo != 0, &scanProblems);
        printScanProblems(err, scanProblems);
    }
    reportPhrasesProblem(state, readPhrasesFile(state), err);
    const size_t unlisted = size_t(std::count_if(scanProblems.begin(), scanProblems.end(), scanProblemIsFailure));
    if (state.SourceImageList.empty()) {
        checkBatchPreconditions(state);  // tells the user the folder holds no images
        return unlisted > 0 ? kExitFailed : kExitOk;
    }

    ui.questionAnswer = options.yes ? MessageAnswer::Yes : MessageAnswer::No;
    const BatchGate gate = checkBatchPreconditions(state);
    if (gate != BatchGate::Proceed) {
        if (gate == BatchGate::OverwriteDeclined)
            std::fprintf(err, "tesselon-batch: not overwriting the sources without --yes\n");
        if (gate == BatchGate::DestinationIsSource)
            std::fprintf(err, "tesselon-batch: the destination is the source folder; choose another --dest, or "
                              "--overwrite --yes to replace the sources\n");
        return kExitUsage;
    }
    if (overlayTextCut(state.settings, state.PhrasesList, state.DefaultWatermarkText))
        std::fprintf(err, "tesselon-batch: warning: texts longer than %zu characters are cut there\n",
                     kMaxOverlayCharacters);

    printSubstitutedFormats(err, state.SourceImageList, env.FormatoImagen);

    std::atomic<bool> cancel{false};
    InterruptGuard interrupts;
    ParallelBatchOptions run;
    run.jobs = options.jobs.value_or(defaultJobs());
    run.memoryLimit = options.memoryLimit.value_or(0);
    run.cancel = &cancel;
    run.metadata = {options.autoOrient, options.keepMetadata};
    ProgressLine progress(options.quiet ? nullptr : err);
    run.onProgress = [&](size_t done, size_t total) {
        if (gInterrupted) cancel.store(true);
        progress.update(done, total);
    };
    const auto start = std::chrono::steady_clock::now();
    ParallelBatchOutcome outcome = runParallelBatch(state, run);
    explainFailedDownloads(remote, state.SourceImageList, outcome.problems);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    progress.update(outcome.processed, outcome.total);

    bool reportFailed = false;
    if (options.report) {
        const std::string text = composeBatchReport(state.SourceImageList,
                                                    reportNotesFor(state.SourceImageList, outcome, scanProblems));
        if (!writeFileReplacing(*options.report, text)) {
            std::fprintf(err, "tesselon-batch: cannot write report '%s'\n", terminalSafe(*options.report).c_str());
            reportFailed = true;
        }
    }

    // Every image without its own result is named, whatever --quiet says.
    printEntryProblems(err, state.SourceImageList, outcome);
    printFirstFrameNote(err, state.SourceImageList, outcome);

    const size_t replaced = outcome.replaced.size();
    const size_t failed = outcome.processed - outcome.saved - replaced + unlisted;
    if (!options.quiet) {
        std::string extra;
        if (replaced > 0) extra += ", " + std::to_string(replaced) + " replaced by a later image with the same output";
        if (outcome.cancelled) extra += ", cancelled";
        else if (outcome.destinationFailed) extra += ", destination folder failed";
        std::fprintf(err, "%zu of %zu images saved, %zu failed%s in %.1f s (%.2f images/s)\n", outcome.saved,
                     outcome.total + unlisted, failed, extra.c_str(), seconds,
                     seconds > 0 ? double(outcome.processed) / seconds : 0.0);
    }
    const bool complete = outcome.processed == outcome.total && !outcome.cancelled;
    return complete && failed == 0 && !reportFailed && remote.failed.empty() ? kExitOk : kExitFailed;
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
        std::fputs(cliUsage(chooseProgramFolder(programFolder)).c_str(), out);
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
    if (options.configFile) state.SettingsFilePath = *options.configFile;

    resetToDefaults(state.settings, state.DefaultWatermarkText);
    const SettingsLoadResult loaded = loadSettings(state.settings, state.SettingsFilePath);
    // A settings file named on purpose must be read whole: a typo or a damaged file
    // would otherwise run the batch on defaults.
    if (options.configFile && !loaded.ok) {
        std::fprintf(err, "tesselon-batch: %s\n", terminalSafe(loaded.message).c_str());
        return kExitUsage;
    }
    applyOptions(options, state.settings.entorno);
    applyRemoteOptions(options.remote, state.settings.entorno);

    if (options.saveConfigFile && !saveSettings(state, *options.saveConfigFile)) return kExitFailed;
    if (!options.convert()) return kExitOk;
    return convert(state, options, frontend, err);
}

}  // namespace tesselon
