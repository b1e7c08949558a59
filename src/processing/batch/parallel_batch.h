// A whole batch on several worker threads, for tesselon-batch. It writes exactly the
// files the desktop's sequential batch writes: every image goes through the same
// pipeline with the same phrase, and of entries whose results would have one name only
// the one that keeps it is written (output_collisions.h), as one at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/cancel_token.h"
#include "processing/batch/batch_exceptions.h"
#include "processing/batch/batch_inputs.h"
#include "processing/batch/shard_share.h"

namespace tesselon {

class ResultLedger;

// How one entry of the list left the batch.
enum class EntryEnd {
    NotHandled,  // outside the share, or not reached (cancelled, stopped, a folder failed)
    Saved,       // its result is in place
    Copied,      // saved as its source's copy (an animated GIF)
    Skipped,     // its result from an earlier run stands
    Refused,     // not written: the result would land where it must not
    Unreadable,  // could not be loaded as an image
    NotWritten,  // loaded but its result was not written
};

struct ParallelBatchOptions {
    int jobs = 1;
    // Memory the workers may take together, reckoned from each image's declared size;
    // 0 for half of the physical memory.
    uint64_t memoryLimit = 0;
    // Polled between images; when it turns true the images in hand finish and no
    // new one starts.
    const CancelToken* cancel = nullptr;
    // Called on the calling thread about twenty times a second and once at the end.
    std::function<void(size_t done, size_t total)> onProgress;
    // One share of the list (shard_share.h): only its entries are converted and
    // counted, the others are left alone. Nothing: the whole list.
    std::optional<Shard> shard;
    // What earlier runs converted into the destination (--skip-unchanged): an image
    // whose result stands is skipped without being read, and each result is recorded
    // once it is in place. Null: every image is converted.
    ResultLedger* ledger = nullptr;
    // Called on a worker as each converted or skipped entry ends (after its result, if
    // any, is in place and recorded), with how it ended and, without a result, why. It
    // must be safe to call from several workers at once and must not throw.
    std::function<void(size_t entry, EntryEnd end, const std::string& problem)> onEntryEnd;
};

// Whether the entry failed: it was handled and has no result.
bool entryFailed(EntryEnd end);

struct ParallelBatchOutcome {
    size_t total = 0;        // entries this run handles: the list, or the shard's share
    size_t processed = 0;    // entries handled before the end (all of them unless stopped)
    size_t saved = 0;                // entries whose result is in place at the end
    bool cancelled = false;
    bool destinationFailed = false;  // a destination folder could not be created
    std::vector<size_t> unreadable;  // entries that could not be loaded as images
    std::vector<size_t> unsaved;     // entries loaded but not written
    std::vector<size_t> refused;     // entries not written: the result would land where it must not
    std::vector<size_t> firstFrameOnly;  // animations converted from their first frame
    std::vector<size_t> copiedUnchanged; // saved entries whose result is their source's copy (animated GIFs)
    // Per entry: the entry that keeps the result name it shares; such an entry is refused.
    std::vector<std::optional<size_t>> nameKeepers;
    std::vector<std::string> problems;              // per entry: why it has no result, in English
    std::vector<char> inShare;       // per entry: 1 when this run handles it
    std::vector<size_t> skipped;     // entries whose result from an earlier run stands
    std::vector<EntryEnd> ends;      // per entry: how it left the batch
    // An exception stopped the batch (no memory, an internal fault): the images in hand
    // finished, no other started. `stoppedAt`: the entry it came from, when one did.
    CaughtStop stop;
    std::optional<size_t> stoppedAt;
};

// Converts the entries of the inputs' list as the job says; the preconditions must have been
// checked already. Fills each entry's outputPath, saved and overlayText. An entry whose
// result would replace another listed image or another entry's result, or land outside
// the source folder (overwriting) or the destination folder, is refused before anything
// is written. An exception ends in the outcome's `stop`, never beyond.
ParallelBatchOutcome runParallelBatch(const BatchInputs& in, const ParallelBatchOptions& options);

}  // namespace tesselon
