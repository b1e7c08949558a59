// The ledger's side of one batch (--skip-unchanged): the recipe of every image, and for
// each group of entries that write one file, whether its result stands, and what to
// record once it is in place. Safe to call from the batch's workers at once.
#pragma once

#include <vector>

#include "core/records.h"
#include "processing/batch/image_pipeline.h"
#include "processing/incremental/result_ledger.h"
#include "processing/metadata/source_metadata.h"

namespace tesselon {

class BatchLedger {
public:
    // `jobs` are the whole list's, placed by the batch's guard; `share` marks those this
    // run handles. Both must outlive the object.
    BatchLedger(ResultLedger& ledger, const Settings& settings, int fontDpi, const MetadataOptions& metadata,
                const JobRefinements& refinements, const std::vector<PipelineJob>& jobs,
                const std::vector<char>& share);
    // The memory the ledger holds from the batch's budget goes back with the batch.
    ~BatchLedger() { ledger_.releaseMemory(); }
    BatchLedger(const BatchLedger&) = delete;
    BatchLedger& operator=(const BatchLedger&) = delete;

    // Starts the ledger beneath the results' folder, its records held from `memory`;
    // false when it cannot serve, and every image is then converted.
    bool start(const FolderHandle& root, MemoryBudget& memory);

    // Whether the result of `unit` (entries writing one file, in list order) stands for
    // every one of them; they are then kept in the manifest. Reads no image; a source
    // is read, to compare its digest, only when its time moved and its size did not.
    bool unitStands(const std::vector<size_t>& unit);

    // After the unit was converted: its entries that were saved are recorded with the
    // file now in place, the others dropped.
    void unitDone(const std::vector<size_t>& unit, const std::vector<PipelineResult>& results);

    // Writes this run's part of the manifest.
    void finish();

private:
    ResultLedger& ledger_;
    const std::vector<PipelineJob>& jobs_;
    const std::vector<char>& share_;
    std::vector<Sha256Digest> recipes_;  // per entry of the share
};

}  // namespace tesselon
