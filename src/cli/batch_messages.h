// What tesselon-batch tells on stderr and in its report about images that did not end
// up with their own result, and about what the scan passed by.
#pragma once

#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/batch_report.h"
#include "processing/batch/parallel_batch.h"
#include "sources/folder_scan.h"

namespace tesselon {

struct SourceImageList;

// "cannot be read", "path too long", ...: why the scan passed it by.
std::string describeScanProblem(const ScanProblem& problem);

// Whether the scan problem means images may be missing (a failure), rather than a link
// deliberately not followed (a note).
bool scanProblemIsFailure(const ScanProblem& problem);

// One line per problem: failures as "skipped", links not followed as notes.
void printScanProblems(std::FILE* err, const std::vector<ScanProblem>& problems);

// One line per entry without its own result: skipped or not saved, with why.
void printEntryProblems(std::FILE* err, const SourceImageList& list, const ParallelBatchOutcome& outcome);

// Before a batch, once for each format that has no encoder here: "HEIC images are
// written as AVIF", when the list has images the output format keeps in it.
void printSubstitutedFormats(std::FILE* err, const SourceImageList& list, std::string_view formatoImagen);

// Why an exception stopped the batch, when one did: "the system gave no more memory".
std::string describeStop(const CaughtStop& stop);

// After a batch, once: how many animations were converted from their first frame only.
void printFirstFrameNote(std::FILE* err, const SourceImageList& list, const ParallelBatchOutcome& outcome);

// After a batch, once: how many animated GIFs were copied as they are instead of
// converted (neither the operations nor the output format reach an animation).
void printCopiedNote(std::FILE* err, const SourceImageList& list, const ParallelBatchOutcome& outcome);

// The reasons and shared names the report adds to the list, and the scan's failures.
ReportNotes reportNotesFor(const SourceImageList& list, const ParallelBatchOutcome& outcome,
                           const std::vector<ScanProblem>& scanProblems);

}  // namespace tesselon
