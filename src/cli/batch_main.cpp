#include "cli/batch_main.h"

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <optional>
#include <thread>
#include <unordered_set>

#include "cli/batch_messages.h"
#include "cli/batch_report.h"
#include "cli/cli_options.h"
#include "cli/entry_ends.h"
#include "cli/job_inputs.h"
#include "cli/progress_line.h"
#include "cli/publish_run.h"
#include "engine/remote_context_of.h"
#include "cli/remote_source.h"
#include "cli/stopwatch.h"
#include "cli/terminal_frontend.h"
#include "engine/program_folder.h"
#include "cli/terminal_text.h"
#include "cli/watch/watch_loop.h"
#include "engine/program_setup.h"
#include "core/state.h"
#include "processing/batch/batch_exceptions.h"
#include "processing/batch/batch_preconditions.h"
#include "processing/batch/output_collisions.h"
#include "processing/batch/parallel_batch.h"
#include "cli/report_merge.h"
#include "processing/batch/shard_share.h"
#include "processing/incremental/result_ledger.h"
#include "processing/output/output_guard.h"
#include "processing/output/output_plan.h"
#include "processing/text/overlay_text.h"
#include "processing/text/phrases_file.h"
#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/paths.h"
#include "runtime/fs/regular_file.h"
#include "settings/defaults.h"
#include "settings/remote_endpoint_of.h"
#include "settings/setting_ranges.h"
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

// A folder name for the server: its host, with anything a name should not hold replaced.
std::string folderNameOfServer(const std::string& host) {
    std::string name;
    for (char c : host) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || (c == '.' && !name.empty());
        name += plain ? c : '_';
    }
    return name.empty() ? std::string("server") : name;
}

// The built-in settings download into the folder the results go to. When neither
// --dest nor --download-to says otherwise, the downloads go into a folder of the
// server's name inside it, so that a remote job runs with no folder given at all.
void downloadBesideResultsIfUnset(const CliOptions& options, STRProcesosEntorno& env, std::FILE* err) {
    if (options.dest || options.remote.downloadTo || env.imagenesSobreescribir) return;
    const std::string shared = withTrailingSeparator(temporaryFolder());
    if (env.RutaEnLocalDeRemotoDescargadas != shared || env.RutaImagenesDestino != shared) return;
    env.RutaEnLocalDeRemotoDescargadas = shared + folderNameOfServer(env.servidor) + "/";
    std::fprintf(err, "tesselon-batch: downloading into '%s' and writing the results into '%s' (--download-to and "
                      "--dest choose others)\n",
                 terminalSafe(env.RutaEnLocalDeRemotoDescargadas).c_str(), terminalSafe(shared).c_str());
}

// What a settings file written now would not keep, named once.
void warnUnsaved(const OperationOptions& operations, std::FILE* err) {
    for (const std::string& option : unsavedOperationOptions(operations))
        std::fprintf(err, "tesselon-batch: warning: the settings file cannot hold %s; it holds for this run only\n",
                     option.c_str());
}

// Text switches without any text to apply them to.
void warnTextUnused(const OperationOptions& o, const STRProcesosImage& image, std::FILE* err) {
    const bool styled = o.font || o.textSize || o.textColour || o.outline || o.noOutline || o.position ||
                        o.textOpacity || o.textBeforeRotation;
    if (styled && image.MarcaDeAgua != 1)
        std::fprintf(err, "tesselon-batch: warning: no text is drawn, so the text options change nothing (--text or "
                          "--phrases gives a text)\n");
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

// What the report says of every listed image when the batch was refused before it began.
std::string refusedReason(BatchGate gate) {
    switch (gate) {
    case BatchGate::OverwriteDeclined: return "not converted: overwriting the sources needs --yes";
    case BatchGate::DestinationIsSource: return "not converted: the destination is the source folder";
    case BatchGate::NoTextSource: return "not converted: there is neither a phrases file nor a watermark";
    default: break;
    }
    return "not converted: the batch did not start";
}

// Each field a conversion brings into its range, named once.
void clampSettings(Settings& settings, std::FILE* err) {
    for (const ClampedSetting& c : clampToRanges(settings)) {
        std::fprintf(err, "tesselon-batch: warning: %s is %d, outside %d..%d; converting with %d\n", c.field.c_str(),
                     int(c.found), int(c.low), int(c.high), int(c.used));
    }
}

// One warning for each thing that went wrong with the manifest; true when this run's
// results could not all be recorded.
bool reportManifestNotes(const std::vector<ManifestNote>& notes, std::FILE* err) {
    bool unrecorded = false;
    for (const ManifestNote& note : notes) {
        const std::string file = terminalSafe(note.file);
        switch (note.kind) {
        case ManifestNote::Kind::Damaged:
            std::fprintf(err, "tesselon-batch: warning: '%s' in the destination is damaged; its images are "
                              "converted again\n", file.c_str());
            break;
        case ManifestNote::Kind::Oversized:
            std::fprintf(err, "tesselon-batch: warning: '%s' in the destination is damaged: it is far larger than the "
                              "manifest of this job can be; it was not read, and its images are converted again\n",
                         file.c_str());
            break;
        case ManifestNote::Kind::OverMemory:
            std::fprintf(err, "tesselon-batch: warning: the records of '%s' in the destination do not fit in the "
                              "memory limit; its images are converted again\n", file.c_str());
            break;
        case ManifestNote::Kind::OtherVersion:
            std::fprintf(err, "tesselon-batch: warning: '%s' in the destination was written by another version; "
                              "its images are converted again\n", file.c_str());
            break;
        case ManifestNote::Kind::Unreadable:
            std::fprintf(err, "tesselon-batch: warning: '%s' in the destination cannot be read; its images are "
                              "converted again\n", file.c_str());
            break;
        case ManifestNote::Kind::Busy:
            std::fprintf(err, "tesselon-batch: warning: another run with the same --shard is converting into this "
                              "destination ('%s' is in use); every image is converted and nothing is recorded\n",
                         file.c_str());
            break;
        case ManifestNote::Kind::NotWritten:
            std::fprintf(err, "tesselon-batch: cannot record the results in '%s'; the next run converts them again\n",
                         file.c_str());
            unrecorded = true;
            break;
        }
    }
    return unrecorded;
}

// With --shard, the report lists the share's images only, each with the shard.
void noteShard(AppState& state, const CliOptions& options, ReportNotes& notes) {
    if (!options.shard) return;
    notes.shard = std::to_string(options.shard->index) + "/" + std::to_string(options.shard->count);
    if (notes.inShare.size() != state.SourceImageList.size()) notes.inShare = shareOfList(batchInputsOf(state), *options.shard);
}

// The images the run converts, listed from a local folder or fetched from a server.
struct GatheredSource {
    std::optional<int> exitCode;  // the run ends here with it
    RemoteFetch remote;
    std::vector<ScanProblem> scanProblems;
    double scanSeconds = 0;
};

GatheredSource gatherSource(AppState& state, const CliOptions& options, TerminalFrontend& ui, std::FILE* err,
                            ReportNotes& notes, const PassRequest* pass) {
    STRProcesosEntorno& env = state.settings.entorno;
    GatheredSource source;
    if (pass && pass->entries) {
        // The files a watch took: listed by it, in the source the settings name.
        state.SourceImageList.clear();
        state.SourceImageList.entries = *pass->entries;
        state.SourceImageList.origin = listOriginOf(env);
    } else if (sourceKindOf(env) == SourceKind::Remote) {
        downloadBesideResultsIfUnset(options, env, err);
        if (destinationIsSourceFolder(env)) {
            // The conversion would write its results over the downloads, and the next
            // run would download beside them.
            std::fprintf(err, "tesselon-batch: the download folder is the destination; choose another --dest or "
                              "--download-to\n");
            source.exitCode = kExitUsage;
            return source;
        }
        source.remote = fetchRemoteSource(state, ui, err, options, source.scanProblems,
                                          pass ? pass->service : std::function<bool()>());
        if (source.remote.stopped) {
            // What came down whole stays for the next start; nothing is converted now.
            notes = reportNotesFor(state.SourceImageList, {}, source.scanProblems);
            notes.reasons.assign(state.SourceImageList.size(), "not converted: the watch was stopped");
            source.exitCode = kExitOk;
            return source;
        }
        if (source.remote.exitCode != kExitOk) {
            notes = reportNotesFor(state.SourceImageList, {}, source.scanProblems);
            notes.reasons.assign(state.SourceImageList.size(), "not converted: the FTP source could not be read");
            source.exitCode = source.remote.exitCode;
            return source;
        }
        source.scanSeconds = source.remote.scanSeconds;
    } else if (fileSize(env.RutaOrigenLocal) != kFileIsFolder) {
        std::fprintf(err, "tesselon-batch: source folder '%s' does not exist\n",
                     terminalSafe(env.RutaOrigenLocal).c_str());
        notes.unlisted.emplace_back(env.RutaOrigenLocal, "the source folder does not exist");
        source.exitCode = kExitUsage;
    } else {
        const Stopwatch scanClock;
        scanImages(remoteContextOf(state), env, state.SourceImageList, env.imagenesRecursivo != 0,
                   &source.scanProblems);
        source.scanSeconds = scanClock.seconds();
    }
    return source;
}

// The batch's preconditions on the state's parts; a rescan they offer scans the source
// the settings name.
BatchGate checkPreconditions(AppState& state) {
    return checkBatchPreconditions(BatchGateParts{state.settings, state.SourceImageList, state.PhrasesList,
                                                  *state.frontend, [&state] {
                                                      scanImages(remoteContextOf(state), state.settings.entorno,
                                                                 state.SourceImageList,
                                                                 state.settings.entorno.imagenesRecursivo != 0);
                                                  }});
}

// The questions and checks before anything is written; an exit code when the run ends
// there.
std::optional<int> refuseToStart(AppState& state, const CliOptions& options, TerminalFrontend& ui, std::FILE* err,
                                 const std::vector<ScanProblem>& scanProblems, size_t unlisted, ReportNotes& notes) {
    if (state.SourceImageList.empty()) {
        notes = reportNotesFor(state.SourceImageList, {}, scanProblems);
        checkPreconditions(state);  // tells the user the folder holds no images
        return unlisted > 0 ? kExitFailed : kExitOk;
    }
    ui.questionAnswer = options.yes ? MessageAnswer::Yes : MessageAnswer::No;
    const BatchGate gate = checkPreconditions(state);
    if (gate == BatchGate::Proceed) return std::nullopt;
    if (gate == BatchGate::OverwriteDeclined)
        std::fprintf(err, "tesselon-batch: not overwriting the sources without --yes\n");
    if (gate == BatchGate::DestinationIsSource)
        std::fprintf(err, "tesselon-batch: the destination is the source folder; choose another --dest, or "
                          "--overwrite --yes to replace the sources\n");
    notes = reportNotesFor(state.SourceImageList, {}, scanProblems);
    notes.reasons.assign(state.SourceImageList.size(), refusedReason(gate));
    return kExitUsage;
}

// The batch itself, on the workers, with the progress line and Ctrl-C.
struct Conversion {
    ParallelBatchOutcome outcome;
    std::optional<ResultLedger> ledger;
    double seconds = 0;
};

// How one entry left the batch, as the watch tells it.
PassItem passItemOf(const SourceImageEntry& entry, EntryEnd end, const std::string& problem) {
    PassItem item;
    item.source = entry.path;
    item.result = entry.outputPath;
    if (end == EntryEnd::Saved || end == EntryEnd::Copied) item.end = PassItem::End::Converted;
    else if (end == EntryEnd::Skipped) item.end = PassItem::End::Unchanged;
    else if (end == EntryEnd::NotHandled) item.end = PassItem::End::NotReached;
    else item.end = PassItem::End::Failed;
    if (item.end == PassItem::End::Failed) item.reason = problem.empty() ? std::string("not converted") : problem;
    return item;
}

void convertList(AppState& state, const CliOptions& options, std::FILE* err, Conversion& conversion,
                 const PassRequest* pass) {
    CancelToken cancel;
    InterruptGuard interrupts;
    ParallelBatchOptions run;
    run.jobs = options.jobs.value_or(defaultJobs());
    run.memoryLimit = options.memoryLimit.value_or(0);
    run.cancel = &cancel;
    run.shard = options.shard;
    if (options.skipUnchanged) {
        conversion.ledger.emplace(options.shard ? shardPartName(*options.shard) : std::string());
        if (pass && pass->entries) {
            const std::string root = sourceRootOf(state.settings.entorno);
            std::unordered_set<std::string> others;
            for (const std::string& path : pass->otherSources) others.insert(sourceKeyOf(path, root));
            conversion.ledger->carryOtherRecords(std::move(others));
        }
        run.ledger = &*conversion.ledger;
    }
    ProgressLine progress(options.quiet ? nullptr : err);
    EntryEnds ends;
    const bool tellEnds = pass && pass->itemEnded;
    if (tellEnds) run.onEntryEnd = [&ends](size_t i, EntryEnd end, const std::string& problem) { ends.add(i, end, problem); };
    run.onProgress = [&](size_t done, size_t total) {
        if (tellEnds) {
            for (const EntryEndNote& note : ends.take())
                pass->itemEnded(passItemOf(state.SourceImageList.entries[note.entry], note.end, note.problem));
        }
        if (gInterrupted || (pass && pass->service && pass->service())) cancel.request();
        progress.update(done, total);
    };
    RunOptions job;
    job.refinements = refinementsOf(options.operations);
    job.autoOrient = options.autoOrient;
    job.keepMetadata = options.keepMetadata;
    const Stopwatch conversionClock;
    conversion.outcome = runParallelBatch(batchInputsOf(state, job), run);
    conversion.seconds = conversionClock.seconds();
    progress.update(conversion.outcome.processed, conversion.outcome.total);
    progress.finish();
}

// The counts of a run as the summary gives them.
struct RunCounts {
    size_t failed = 0;   // handled entries without a result, and what the scan could not list
    size_t skipped = 0;  // results of earlier runs that stand
    size_t unlisted = 0;
};

void printSummary(const AppState& state, const CliOptions& options, const GatheredSource& source,
                  const Conversion& conversion, const RunCounts& counts, const ReportNotes& notes, double seconds,
                  std::FILE* err) {
    if (options.quiet) return;
    const STRProcesosEntorno& env = state.settings.entorno;
    const ParallelBatchOutcome& outcome = conversion.outcome;
    const RemoteFetch& remote = source.remote;
    const bool fromServer = sourceKindOf(env) == SourceKind::Remote;
    if (fromServer) {
        const std::string kept = options.skipUnchanged ? ", " + std::to_string(remote.unchanged) +
                                                             " unchanged since the last download (not downloaded again)"
                                                       : std::string();
        std::fprintf(err, "downloaded %zu file%s over %zu connection%s%s\n", remote.downloaded,
                     remote.downloaded == 1 ? "" : "s", remote.connections, remote.connections == 1 ? "" : "s",
                     kept.c_str());
    }
    const std::string unchanged =
        options.skipUnchanged ? ", " + std::to_string(counts.skipped) + " skipped (unchanged)" : std::string();
    std::string extra;
    if (outcome.stop.stop != BatchStop::None) extra += ", stopped";
    else if (outcome.cancelled) extra += ", cancelled";
    else if (outcome.destinationFailed) extra += ", destination folder failed";
    char parts[96];
    if (fromServer)
        std::snprintf(parts, sizeof parts, "scan %.1f s, download %.1f s, ", source.scanSeconds,
                      remote.downloadSeconds);
    else
        std::snprintf(parts, sizeof parts, "scan %.1f s, ", source.scanSeconds);
    const std::string shard = notes.shard.empty() ? std::string() : "shard " + notes.shard + ": ";
    // A copied animation has its result, but was not converted: it is counted apart.
    const size_t copied = outcome.copiedUnchanged.size();
    const std::string copies = copied > 0 ? ", " + std::to_string(copied) + " copied unchanged" : std::string();
    const double conversionSeconds = conversion.seconds;
    std::fprintf(err, "%s%zu of %zu images saved%s%s, %zu failed%s in %.1f s (%sconversion %.1f s, %.2f images/s)\n",
                 shard.c_str(), outcome.saved - copied, outcome.total + counts.unlisted, copies.c_str(),
                 unchanged.c_str(), counts.failed, extra.c_str(), seconds, parts, conversionSeconds,
                 conversionSeconds > 0 ? double(outcome.processed) / conversionSeconds : 0.0);
    if (outcome.saved > 0)
        std::fprintf(err, "results in %s\n",
                     terminalSafe(env.imagenesSobreescribir ? "the source folder, over the sources"
                                                            : env.RutaImagenesDestino).c_str());
}

// How each entry left the batch, for the watch's events.
void describePass(const SourceImageList& list, const ParallelBatchOutcome& outcome, const PublishRun& published,
                  PassReport& report) {
    report.items.clear();
    report.items.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        const EntryEnd end = i < outcome.ends.size() ? outcome.ends[i] : EntryEnd::NotHandled;
        PassItem item = passItemOf(list.entries[i], end, i < outcome.problems.size() ? outcome.problems[i] : std::string());
        item.published = published.asked && i < published.published.size() && published.published[i] == 1;
        report.items.push_back(std::move(item));
    }
}

// Converts, and fills `notes` with what the report needs beside the list: the reasons,
// the replacements, what the scan passed by. Every way out leaves them as far as known.
int convert(AppState& state, const CliOptions& options, const std::string& settingsUsed, TerminalFrontend& ui,
            std::FILE* err, ReportNotes& notes, const PassRequest* pass = nullptr, PassReport* report = nullptr) {
    if (options.skipUnchanged && state.settings.entorno.imagenesSobreescribir) {
        // Over the sources nothing is left to compare a source with: a second run would
        // convert its own results again.
        std::fprintf(err, "tesselon-batch: --skip-unchanged keeps its record beside the results in the destination; "
                          "it cannot be used with --overwrite\n");
        return kExitUsage;
    }
    clampSettings(state.settings, err);
    // The summary's time covers the whole run: the scan and any download too.
    const Stopwatch runClock;
    const GatheredSource source = gatherSource(state, options, ui, err, notes, pass);
    if (report) {
        report->listed = state.SourceImageList.size();
        report->noConnection =
            source.exitCode && sourceKindOf(state.settings.entorno) == SourceKind::Remote && !source.remote.stopped;
        report->sourceMissing = source.exitCode && sourceKindOf(state.settings.entorno) == SourceKind::Local;
    }
    if (source.exitCode) return *source.exitCode;
    printScanProblems(err, source.scanProblems);
    reportPhrasesProblem(state,
                         readPhrasesFile(state.settings.texto.ArchivoFrases, state.PhrasesList, state.frontend,
                                         state.SourceImageList.current),
                         err);
    RunCounts counts;
    counts.unlisted =
        size_t(std::count_if(source.scanProblems.begin(), source.scanProblems.end(), scanProblemIsFailure));
    if (const std::optional<int> refused =
            refuseToStart(state, options, ui, err, source.scanProblems, counts.unlisted, notes))
        return *refused;
    if (overlayTextCut(state.settings, state.PhrasesList, state.DefaultWatermarkText))
        std::fprintf(err, "tesselon-batch: warning: texts longer than %zu characters are cut there\n",
                     kMaxOverlayCharacters);
    printSubstitutedFormats(err, state.SourceImageList, state.settings.entorno.FormatoImagen);

    Conversion conversion;
    convertList(state, options, err, conversion, pass);
    const ParallelBatchOutcome& outcome = conversion.outcome;
    explainFailedDownloads(source.remote, state.SourceImageList, conversion.outcome.problems);
    const double seconds = runClock.seconds();
    notes = reportNotesFor(state.SourceImageList, outcome, source.scanProblems);
    noteShard(state, options, notes);

    // Every image without its own result is named, whatever --quiet says.
    printEntryProblems(err, state.SourceImageList, outcome);
    printFirstFrameNote(err, state.SourceImageList, outcome);
    printCopiedNote(err, state.SourceImageList, outcome);
    const bool unrecorded = conversion.ledger && reportManifestNotes(conversion.ledger->notes(), err);

    if (outcome.stop.stop != BatchStop::None) {
        const std::string at = outcome.stoppedAt && *outcome.stoppedAt < state.SourceImageList.size()
                                   ? " while converting '" + state.SourceImageList.entries[*outcome.stoppedAt].path + "'"
                                   : std::string();
        std::fprintf(err, "tesselon-batch: the run stopped%s: %s\n", terminalSafe(at).c_str(),
                     terminalSafe(describeStop(outcome.stop)).c_str());
    }
    counts.skipped = outcome.skipped.size();
    counts.failed = size_t(std::count_if(outcome.ends.begin(), outcome.ends.end(), entryFailed)) + counts.unlisted;
    if (!options.quiet) std::fprintf(err, "settings: %s\n", terminalSafe(settingsUsed).c_str());
    printSummary(state, options, source, conversion, counts, notes, seconds, err);
    const bool complete =
        outcome.processed == outcome.total && !outcome.cancelled && outcome.stop.stop == BatchStop::None;
    // A run stopped on the way publishes nothing: the next one converts and publishes the rest.
    PublishRun published;
    if (outcome.stop.stop == BatchStop::None && !outcome.cancelled) {
        const bool fromServer = sourceKindOf(state.settings.entorno) == SourceKind::Remote;
        PublishInputs what{outcome, plannedNamesOf(batchInputsOf(state)).savePaths,
                           fromServer ? source.remote.scannedFolder : state.settings.entorno.RutaOrigenLocal,
                           fromServer};
        published = publishRunResults(state, err, options, what);
        notes.published = published.published;
        notes.publishReasons = published.reasons;
        const std::string line = publishSummaryLine(published, state.settings.entorno.carpetaPublicacion);
        if (!options.quiet && !line.empty()) std::fprintf(err, "%s\n", terminalSafe(line).c_str());
    }
    if (report) describePass(state.SourceImageList, outcome, published, *report);
    return complete && counts.failed == 0 && source.remote.failed.empty() && !unrecorded && published.failed == 0
               ? kExitOk
               : kExitFailed;
}

// The job's settings: the defaults, the settings file over them, the options over both.
struct JobSettings {
    bool loaded = false;  // false: a settings file named on purpose could not be read
    bool builtIn = false;
    bool noSampleText = false;
};

JobSettings loadJobSettings(AppState& state, const CliOptions& options, std::FILE* err) {
    JobSettings job;
    resetToDefaults(state.settings, state.DefaultWatermarkText);
    const SettingsLoadResult loaded = loadSettings(state.settings, state.SettingsFilePath);
    // A settings file named on purpose must be read whole: a typo or a damaged file
    // would otherwise run the batch on defaults.
    if (options.configFile && !loaded.ok) {
        std::fprintf(err, "tesselon-batch: %s\n", terminalSafe(loaded.message).c_str());
        return job;
    }
    job.loaded = true;
    applyOptions(options, state.settings.entorno);
    applyRemoteOptions(options.remote, state.settings.entorno);
    // The built-in settings stamp the desktop program's sample watermark; a terminal
    // job draws text only when asked. --save-config alone still writes them as they are.
    job.builtIn = !options.configFile && fileSize(state.SettingsFilePath) < 0;
    job.noSampleText = job.builtIn && !options.operations.asksText();
    applyOperationOptions(options.operations, state.settings);
    if (job.noSampleText && options.operations.any()) state.settings.image.MarcaDeAgua = 0;
    return job;
}

// The --report file, rewritten at the end of every run that converts, whatever the
// outcome, so that a script never reads an earlier run's results. A report that
// cannot be written makes a successful run a failed one.
int writeReport(const CliOptions& options, const SourceImageList& list, const ReportNotes& notes, int code,
                std::FILE* err) {
    if (!options.report) return code;
    if (writeFileReplacing(*options.report, composeBatchReport(list, notes))) return code;
    std::fprintf(err, "tesselon-batch: cannot write report '%s'\n", terminalSafe(*options.report).c_str());
    return code == kExitOk ? kExitFailed : code;
}

// --merge-reports: the joined report on `out`; missing shards are named, and make the
// exit code 1, but what there is is still printed.
int mergeReports(const CliOptions& options, std::FILE* out, std::FILE* err) {
    const ReportMerge merge = mergeReportFiles(options.reportFiles);
    const std::string file = terminalSafe(merge.problem.file);
    switch (merge.problem.kind) {
    case ReportMergeProblem::Kind::None:
        break;
    case ReportMergeProblem::Kind::Unreadable:
        std::fprintf(err, "tesselon-batch: cannot read report '%s'\n", file.c_str());
        return kExitUsage;
    case ReportMergeProblem::Kind::NotAReport:
        std::fprintf(err, "tesselon-batch: '%s' is not a report of tesselon-batch\n", file.c_str());
        return kExitUsage;
    case ReportMergeProblem::Kind::MixedShards:
        std::fprintf(err, "tesselon-batch: '%s' holds images of more than one shard\n", file.c_str());
        return kExitUsage;
    case ReportMergeProblem::Kind::OtherSplit:
        std::fprintf(err, "tesselon-batch: '%s' is a shard of another split than the reports before it\n",
                     file.c_str());
        return kExitUsage;
    case ReportMergeProblem::Kind::SameShardTwice:
        std::fprintf(err, "tesselon-batch: '%s' is the report of a shard given before\n", file.c_str());
        return kExitUsage;
    }
    std::fputs(merge.json.c_str(), out);
    std::fputc('\n', out);
    for (size_t k : merge.missing)
        std::fprintf(err, "tesselon-batch: no report of shard %zu/%zu was given\n", k, merge.shardCount);
    return merge.missing.empty() ? kExitOk : kExitFailed;
}


// The report of a run that converted or tried to: each image names the file its result
// went to, or would have; after a stop, the images it left get its reason.
int reportAfterRun(AppState& state, const CliOptions& options, ReportNotes& notes, const CaughtStop& stop,
                   int code, std::FILE* err) {
    if (!options.report) return code;
    const CaughtStop composed = runCatching([&] {
        noteShard(state, options, notes);
        notes.resultPaths = plannedNamesOf(batchInputsOf(state)).savePaths;
        if (stop.stop == BatchStop::None) return;
        const std::string reason = "not converted: the run stopped (" + describeStop(stop) + ")";
        notes.reasons.resize(state.SourceImageList.size());
        for (size_t i = 0; i < state.SourceImageList.size(); ++i)
            if (state.SourceImageList.entries[i].saved == 0 && notes.reasons[i].empty()) notes.reasons[i] = reason;
    });
    // Without the notes the list alone still replaces the earlier run's report.
    if (composed.stop != BatchStop::None) notes = ReportNotes{};
    int written = code;
    const CaughtStop wrote = runCatching([&] { written = writeReport(options, state.SourceImageList, notes, code, err); });
    if (wrote.stop == BatchStop::None) return written;
    std::fprintf(err, "tesselon-batch: cannot write report '%s': %s\n", terminalSafe(*options.report).c_str(),
                 describeStop(wrote).c_str());
    return code == kExitOk ? kExitFailed : code;
}

// A watch's passes, each the one-shot run's conversion on the state the run set up.
class BatchWatchHost : public WatchHost {
public:
    BatchWatchHost(AppState& state, const CliOptions& options, std::string settingsUsed, TerminalFrontend& ui,
                   std::FILE* err)
        : state_(state), options_(options), settingsUsed_(std::move(settingsUsed)), ui_(ui), err_(err) {
        state_.keepRemoteConnections = true;
    }

    WatchTarget target() const override {
        const STRProcesosEntorno& env = state_.settings.entorno;
        WatchTarget target;
        target.remote = sourceKindOf(env) == SourceKind::Remote;
        target.source = target.remote ? listOriginOf(env) : env.RutaOrigenLocal;
        target.destination = env.RutaImagenesDestino;
        target.extensions = env.ExtensionesActivas;
        target.recursive = env.imagenesRecursivo != 0;
        return target;
    }

    PassReport runPass(const PassRequest& request) override {
        PassReport report;
        ReportNotes notes;
        int code = kExitFailed;
        const CaughtStop caught = runCatching(
            [&] { code = convert(state_, options_, settingsUsed_, ui_, err_, notes, &request, &report); });
        if (caught.stop != BatchStop::None) {
            std::fprintf(err_, "tesselon-batch: the pass stopped: %s\n", terminalSafe(describeStop(caught)).c_str());
            code = kExitFailed;
        }
        report.code = reportAfterRun(state_, options_, notes, caught, code, err_);
        // The list is the pass's alone; the next one starts from nothing.
        state_.SourceImageList.clear();
        return report;
    }

    bool reload() override {
        AppState fresh;
        fresh.SettingsFilePath = state_.SettingsFilePath;
        fresh.DefaultWatermarkText = state_.DefaultWatermarkText;
        const JobSettings job = loadJobSettings(fresh, options_, err_);
        if (!job.loaded) return false;
        if (job.noSampleText) fresh.settings.image.MarcaDeAgua = 0;
        state_.settings = fresh.settings;
        return true;
    }

private:
    AppState& state_;
    const CliOptions& options_;
    std::string settingsUsed_;
    TerminalFrontend& ui_;
    std::FILE* err_;
};

int runBatchCliOrThrow(const std::vector<std::string>& args, const std::string& programFolder, std::FILE* out,
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
    if (options.mergeReports) return mergeReports(options, out, err);

    TerminalFrontend frontend(err);
    frontend.quiet = options.quiet;
    AppState state;
    state.frontend = &frontend;
    state.adopt(programStartOf(programFolder, currentDate()));
    registerProgramDecoders(state.codecs);
    if (options.configFile) state.SettingsFilePath = *options.configFile;

    const JobSettings job = loadJobSettings(state, options, err);
    if (!job.loaded) return writeReport(options, state.SourceImageList, {}, kExitUsage, err);
    const bool builtIn = job.builtIn;
    const std::string settingsUsed = builtIn ? "built-in settings" : state.SettingsFilePath;
    const bool noSampleText = job.noSampleText;
    if (options.saveConfigFile) warnUnsaved(options.operations, err);
    frontend.passwordVariableUnset = std::getenv(kFtpPasswordVariable) == nullptr;
    state.sftpTrustedHostKey = options.remote.hostKey.value_or("");
    if (options.remote.scanTimeout) state.remoteScanSeconds = *options.remote.scanTimeout;
    if (options.remote.connections) state.remoteConnections = *options.remote.connections;
    state.tlsCaFile = options.remote.caFile.value_or("");
    state.tlsPinnedCertificate = options.remote.pinSha256.value_or("");

    if (options.saveConfigFile && !saveSettings(state, *options.saveConfigFile))
        return writeReport(options, state.SourceImageList, {}, kExitFailed, err);
    if (noSampleText) state.settings.image.MarcaDeAgua = 0;
    if (!options.convert()) return kExitOk;
    warnTextUnused(options.operations, state.settings.image, err);
    if (options.watch) {
        BatchWatchHost host(state, options, settingsUsed, frontend, err);
        return runWatch(host, options.watchOptions, out, err);
    }
    ReportNotes notes;
    int code = kExitFailed;
    // Whatever exception ends the run on the way, it stops with a message, and the
    // report says what is known.
    const CaughtStop caught =
        runCatching([&] { code = convert(state, options, settingsUsed, frontend, err, notes); });
    if (caught.stop != BatchStop::None) {
        std::fprintf(err, "tesselon-batch: the run stopped: %s\n", terminalSafe(describeStop(caught)).c_str());
        code = kExitFailed;
    }
    return reportAfterRun(state, options, notes, caught, code, err);
}

}  // namespace

int runBatchCli(const std::vector<std::string>& args, const std::string& programFolder, std::FILE* out,
                std::FILE* err) {
    int code = kExitFailed;
    // Before the conversion (options, settings) or after it: still a message, never an
    // abort.
    const CaughtStop caught = runCatching([&] { code = runBatchCliOrThrow(args, programFolder, out, err); });
    if (caught.stop == BatchStop::None) return code;
    std::fprintf(err, "tesselon-batch: stopped: %s\n", terminalSafe(describeStop(caught)).c_str());
    return kExitFailed;
}

}  // namespace tesselon
