#include "cli/batch_messages.h"

#include <algorithm>

#include "cli/terminal_text.h"
#include "core/image_list.h"
#include "processing/output/output_format.h"
#include "remote/listed_names.h"
#include "runtime/fs/paths.h"

namespace tesselon {

namespace {

void printLine(std::FILE* err, const std::string& line) {
    std::fprintf(err, "tesselon-batch: %s\n", terminalSafe(line).c_str());
}

template <typename T>
bool contains(const std::vector<T>& list, const T& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

std::string describeScanProblem(const ScanProblem& problem) {
    switch (problem.kind) {
    case ScanProblem::Kind::UnreadableFolder: return "the folder cannot be read";
    case ScanProblem::Kind::PathTooLong: return "the path is too long for the system";
    case ScanProblem::Kind::LinkLeavesSource: return "the link leads outside the source folder";
    case ScanProblem::Kind::RemoteFolderNotEntered: return "the server's folder cannot be entered";
    case ScanProblem::Kind::RemoteListingRefused: return "the server did not list the folder";
    case ScanProblem::Kind::RemoteListingCut: return "the folder's listing was cut short";
    case ScanProblem::Kind::RemoteListingLineTooLong: return "a line of the folder's listing is too long to read";
    case ScanProblem::Kind::RemoteTooDeep: return "the folder is nested too deep; not scanned";
    case ScanProblem::Kind::RemoteEntryLimit: return "too many entries on the server; the scan stopped here";
    case ScanProblem::Kind::RemoteConnectionLost: return "the connection to the server was lost; the scan stopped here";
    case ScanProblem::Kind::RemoteFolderUnsafe: return "the server's path for the folder cannot be a local folder";
    case ScanProblem::Kind::RemoteNameAbsolute: return "unsafe name: an absolute path";
    case ScanProblem::Kind::RemoteNameClimbsOut: return "unsafe name: it leads out of its folder";
    case ScanProblem::Kind::RemoteNameSeparator: return "unsafe name: it holds a path separator";
    case ScanProblem::Kind::RemoteNameControlCharacter: return "unsafe name: it holds control characters";
    case ScanProblem::Kind::RemotePathTooLong:
        return "its path is longer than " + std::to_string(kMaxListedPathBytes) + " bytes";
    case ScanProblem::Kind::RemotePathTextLimit:
        return "the server listed more than " + std::to_string(kMaxScanPathBytes >> 20) +
               " MiB of path text; the scan stopped here";
    case ScanProblem::Kind::RemoteScanDeadline: return "the scan's time ran out (--scan-timeout); it stopped here";
    }
    return "not read";
}

bool scanProblemIsFailure(const ScanProblem& problem) { return problem.kind != ScanProblem::Kind::LinkLeavesSource; }

void printScanProblems(std::FILE* err, const std::vector<ScanProblem>& problems) {
    for (const ScanProblem& p : problems) {
        printLine(err, std::string(scanProblemIsFailure(p) ? "skipped '" : "not following '") + p.path +
                           "': " + describeScanProblem(p));
    }
}

void printEntryProblems(std::FILE* err, const SourceImageList& list, const ParallelBatchOutcome& outcome) {
    for (size_t i = 0; i < outcome.problems.size() && i < list.size(); ++i) {
        const std::string& problem = outcome.problems[i];
        if (problem.empty()) continue;
        const std::string& path = list.entries[i].path;
        if (contains(outcome.unsaved, i)) printLine(err, "not saved '" + path + "': " + problem);
        else printLine(err, "failed '" + path + "': " + problem);
    }
}

void printSubstitutedFormats(std::FILE* err, const SourceImageList& list, std::string_view formatoImagen) {
    std::vector<const ImageFormat*> told;
    for (const SourceImageEntry& entry : list.entries) {
        const OutputFormat output = outputFormatFor(formatoImagen, entry.path);
        if (!output.substituted) continue;
        const std::string asked =
            formatoImagen == "original" ? extensionPart(nameOfPath(entry.path)) : std::string(formatoImagen);
        const ImageFormat* missing = formatByExtension(asked);
        if (!missing || contains(told, missing)) continue;
        told.push_back(missing);
        printLine(err, "warning: no " + std::string(missing->name) + " encoder is installed here: " +
                           std::string(missing->name) + " images are written as " + std::string(output.format->name));
    }
}

std::string describeStop(const CaughtStop& stop) {
    switch (stop.stop) {
    case BatchStop::None: break;
    case BatchStop::OutOfMemory: return "the system gave no more memory";
    case BatchStop::InternalError:
        return stop.detail.empty() ? "an internal error" : "an internal error (" + stop.detail + ")";
    }
    return "";
}

namespace {

// One line for the entries given: how many, and the first of them by name.
void printCountedNote(std::FILE* err, const SourceImageList& list, const std::vector<size_t>& entries,
                      const char* one, const char* many, const std::string& what) {
    if (entries.empty()) return;
    const size_t n = entries.size();
    const size_t first = entries.front();
    printLine(err, "warning: " + std::to_string(n) + (n == 1 ? one : many) + what +
                       (first < list.size() ? " (such as '" + list.entries[first].path + "')" : std::string()));
}

}  // namespace

void printFirstFrameNote(std::FILE* err, const SourceImageList& list, const ParallelBatchOutcome& outcome) {
    printCountedNote(err, list, outcome.firstFrameOnly, " animation was", " animations were",
                     " converted from the first frame only");
}

void printCopiedNote(std::FILE* err, const SourceImageList& list, const ParallelBatchOutcome& outcome) {
    printCountedNote(err, list, outcome.copiedUnchanged, " animated GIF was", " animated GIFs were",
                     " copied unchanged, without the operations or the output format");
}

ReportNotes reportNotesFor(const SourceImageList& list, const ParallelBatchOutcome& outcome,
                           const std::vector<ScanProblem>& scanProblems) {
    ReportNotes notes;
    notes.reasons = outcome.problems;
    notes.reasons.resize(list.size());
    notes.sameOutputAs = outcome.nameKeepers;
    notes.inShare = outcome.inShare;
    notes.skipped.assign(list.size(), 0);
    notes.copied.assign(list.size(), 0);
    for (size_t i : outcome.copiedUnchanged)
        if (i < list.size()) notes.copied[i] = 1;
    for (size_t i : outcome.skipped) {
        if (i >= list.size()) continue;
        notes.skipped[i] = 1;
        notes.reasons[i] = kUnchangedReason;
    }
    // Entries the batch never reached (cancelled, stopped at a destination folder or by
    // an exception).
    const std::string notReached = outcome.stop.stop == BatchStop::None
                                       ? std::string("not converted: the batch stopped before it")
                                       : "not converted: the batch stopped before it (" + describeStop(outcome.stop) + ")";
    for (size_t i = 0; i < list.size(); ++i) {
        if (list.entries[i].saved == 0 && notes.reasons[i].empty()) notes.reasons[i] = notReached;
    }
    for (const ScanProblem& p : scanProblems) {
        if (scanProblemIsFailure(p)) notes.unlisted.emplace_back(p.path, describeScanProblem(p));
    }
    return notes;
}

}  // namespace tesselon
