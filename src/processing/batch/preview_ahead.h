// The preview made ahead of need: the entry the window shows and its neighbours (the
// entries "<" and ">" lead to), each decoded and carried through the whole chain in the
// background with the settings in force, so that moving on finds the exact preview made.
// The shown entry comes first, with every core; the neighbours get what is left, one
// thread each, and only as far as their memory fits the preparer's budget.
//
// A setting change drops every result made with the settings before (the decoded
// sources stay: they do not depend on the settings); moving on drops the entries that
// are no longer the shown one or its neighbours, and the work for them. A step already
// running for a dropped entry ends after the part in hand (reading the file, decoding
// it, the operations, the encoding) and is thrown away.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/preview_cache.h"
#include "processing/batch/image_pipeline.h"
#include "processing/batch/memory_budget.h"
#include "processing/batch/preview_image.h"

namespace tesselon {

// An entry to prepare: its file as it stands and its preview job.
struct PreviewWish {
    SourceFileIdentity identity;
    PipelineJob job;
};

// How far the shown entry has come, as the window's thread may show it.
struct PreparedPreview {
    bool decoded = false;                         // its file was read
    std::shared_ptr<const ImageObject> source;    // nothing: the file is no image we read
    // The source at most kPaneSourceSide on its longer side: what the source pane shows
    // of it, fitted at a fraction of the cost.
    std::shared_ptr<const ImageObject> paneSource;
    bool animated = false;
    bool resultMade = false;                      // with the settings in force
    std::shared_ptr<const ImageObject> result;    // nothing: no result to show
    bool textStepRan = false;
};

class PreviewPreparer {
public:
    // `workers` threads (at least one) whose neighbours may hold `memoryLimit` bytes.
    PreviewPreparer(int workers, uint64_t memoryLimit);
    ~PreviewPreparer();
    PreviewPreparer(const PreviewPreparer&) = delete;
    PreviewPreparer& operator=(const PreviewPreparer&) = delete;

    // The entries wanted now with the settings in force: the shown one first, then its
    // neighbours in the order they are likely to be wanted. No wishes: every entry and
    // all work is dropped (a batch is about to take the cores).
    void want(const PipelineSettings& settings, std::vector<PreviewWish> wishes);

    // The shown entry (the first wish) as prepared so far.
    PreparedPreview shown() const;
    // A quick picture of the shown entry made since the last call, if any: its first
    // scans while its file is decoded, or its pane-sized copy through the operations
    // while the exact result is made. A picture whose source is empty leaves the
    // source pane as it is.
    std::optional<QuickPreview> takeQuick();

    // What the neighbours hold now; never above the limit.
    uint64_t neighbourBytes() const { return budget_.held(); }
    // Whether the entry of `identity` has its exact result made with the settings in force.
    bool resultReady(const SourceFileIdentity& identity) const;
    // How many steps (a decode, a result, a quick picture) the threads have begun so far.
    uint64_t stepsBegun() const;
    // Whether a step runs now.
    bool working() const;

private:
    struct Entry;
    enum class Step { None, FirstScans, Decode, PaneQuick, Result };

    void work();
    // The next step and its entry, under the lock; Step::None when there is none.
    std::pair<Step, std::shared_ptr<Entry>> nextStep();
    void run(Step step, const std::shared_ptr<Entry>& entry);
    bool resultValid(const Entry& entry) const;
    bool stillWanted(const Entry& entry) const;
    // No longer wished: a step running for it stops at its next part.
    static void drop(Entry& entry);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    uint64_t tickets_ = 0;
    int running_ = 0;  // steps begun and not yet ended
    PipelineSettings settings_;
    std::vector<std::shared_ptr<Entry>> entries_;  // in the order wished, the shown one first
    MemoryBudget budget_;
    std::vector<std::thread> threads_;
};

// The cache's preparer, started on first use: as many threads as the process may use
// cores (at most two: the shown entry and the next), its neighbours within a quarter of
// the batch's default memory limit.
PreviewPreparer& preparerOf(PreviewCache& cache);

}  // namespace tesselon
