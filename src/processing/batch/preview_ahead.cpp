#include "processing/batch/preview_ahead.h"

#include <algorithm>
#include <atomic>
#include <system_error>

#include "processing/batch/batch_exceptions.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/regular_file.h"
#include "runtime/imaging/image_header.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/threads/parallel_bands.h"

namespace tesselon {

struct PreviewPreparer::Entry {
    SourceFileIdentity identity;
    PipelineJob job;                 // as last wished
    bool shown = false;              // the first wish
    bool decoding = false;           // a worker reads its file
    int coresBusy = 0;               // what its running steps take of the cores
    // The result being made, with what: a result of settings changed meanwhile is not
    // waited for, the new one starts beside it.
    uint64_t resultTicket = 0;       // 0: none running
    PipelineSettings runningSettings;
    PipelineJob runningJob;
    bool dropped = false;            // no longer wished: whatever is running is thrown away
    // Raised with `dropped`: a step running for the entry starts none of its further
    // parts, so that the cores are free the sooner (a batch is waiting for them).
    std::atomic<bool> abandoned{false};

    bool firstScansTried = false;    // the shown entry's quick look from its first scans
    bool decoded = false;
    bool noRoom = false;             // a neighbour whose memory does not fit the budget
    std::shared_ptr<const ImageObject> source;
    std::shared_ptr<const ImageObject> paneSource;
    bool animated = false;

    bool paneQuickTried = false;     // for the settings in force
    std::unique_ptr<QuickPreview> quick;  // made, not yet taken

    bool resultMade = false;
    PipelineSettings resultSettings;  // what the result was made with
    PipelineJob resultJob;
    std::shared_ptr<const ImageObject> result;
    bool textStepRan = false;

    MemoryReservation memory;        // a neighbour's, from the budget
};

namespace {

uint64_t bytesOf(const std::shared_ptr<const ImageObject>& image) {
    if (!image) return 0;
    uint64_t bytes = image->pixels.size();
    for (const ImageFrame& frame : image->frames) bytes += frame.pixels.size();
    return bytes;
}

// What a neighbour will hold from its file: the decoder's own memory while it runs, the
// source, its pane-sized copy and a result as large as the source turned freely (about
// twice its pixels). Nothing when the header gives no size: such a file is left for
// when it is shown.
std::optional<uint64_t> neighbourNeed(const std::string& bytes, const CodecRegistry& codecs) {
    MemoryByteReader reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    const std::optional<DeclaredImage> declared = readDeclaredImage(reader, codecs);
    if (!declared || !declared->sizeKnown) return std::nullopt;
    return decodeMemoryBound(*declared) + declared->pixels() * 4 * 3;
}

// What a worker's pool keeps while it waits: the large buffers of about one photo.
constexpr size_t kIdlePoolBytes = size_t(160) << 20;

// The cores a result takes: the operations that split into bands take every one the
// settings give; encoding and decoding again take one.
int coresTakenBy(const PipelineSettings& settings) {
    const STRProcesosImage& ops = settings.image;
    const bool banded = ops.Contraste > 0 || ops.EspejoH || ops.EspejoV || ops.EscalaGrises || ops.InvertirColores ||
                        ops.TintarImagen || (ops.Rotar >= 1 && ops.Rotar <= 359);
    return banded ? std::max(1, settings.threads) : 1;
}

}  // namespace

PreviewPreparer::PreviewPreparer(int workers, uint64_t memoryLimit) : budget_(memoryLimit) {
    for (int i = 0; i < std::max(1, workers); ++i) {
        try {
            threads_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break;  // fewer threads: the entries wait their turn
        }
    }
}

PreviewPreparer::~PreviewPreparer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (const std::shared_ptr<Entry>& entry : entries_) drop(*entry);
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void PreviewPreparer::want(const PipelineSettings& settings, std::vector<PreviewWish> wishes) {
    {
        std::lock_guard lock(mutex_);
        const bool settingsChanged = !sameResult(settings_, {}, settings, {});
        settings_ = settings;
        std::vector<std::shared_ptr<Entry>> kept;
        for (size_t i = 0; i < wishes.size(); ++i) {
            PreviewWish& wish = wishes[i];
            if (std::any_of(kept.begin(), kept.end(), [&](const auto& e) { return e->identity == wish.identity; }))
                continue;
            std::shared_ptr<Entry> entry;
            for (const std::shared_ptr<Entry>& old : entries_) {
                if (old->identity == wish.identity && !old->dropped) entry = old;
            }
            // A file that cannot be looked at is never taken for one prepared before.
            if (!entry || wish.identity.size < 0) {
                entry = std::make_shared<Entry>();
                entry->identity = wish.identity;
            }
            const bool jobChanged = !sameResult(settings_, entry->job, settings_, wish.job);
            entry->job = std::move(wish.job);
            const bool wasShown = entry->shown;
            entry->shown = kept.empty();
            if (settingsChanged || jobChanged) entry->paneQuickTried = false;
            // Moved onto: a quick picture of a change made while it was a neighbour is
            // no picture of this move.
            if (entry->shown && !wasShown) entry->quick.reset();
            if (!entry->shown) entry->quick.reset();
            // A neighbour turned away for memory may fit now that others are dropped.
            entry->noRoom = false;
            kept.push_back(std::move(entry));
        }
        for (const std::shared_ptr<Entry>& old : entries_) {
            if (std::find(kept.begin(), kept.end(), old) != kept.end()) continue;
            drop(*old);
            old->source.reset();
            old->paneSource.reset();
            old->result.reset();
            old->memory.release();
        }
        entries_ = std::move(kept);
        for (const std::shared_ptr<Entry>& entry : entries_) {
            if (!resultValid(*entry)) entry->result.reset();
            // The shown entry may take memory beyond the budget, as any shown image does.
            if (entry->shown) {
                entry->memory.release();
                continue;
            }
            // One shown before keeps what it made only as far as the budget lets it.
            const uint64_t holds = bytesOf(entry->source) + bytesOf(entry->paneSource) + bytesOf(entry->result);
            if (holds > entry->memory.bytes() && !budget_.tryGrow(entry->memory, holds - entry->memory.bytes())) {
                entry->memory.release();
                entry->source.reset();
                entry->paneSource.reset();
                entry->result.reset();
                entry->resultMade = false;
                entry->decoded = false;
            }
        }
    }
    changed_.notify_all();
}

PreparedPreview PreviewPreparer::shown() const {
    std::lock_guard lock(mutex_);
    PreparedPreview out;
    if (entries_.empty()) return out;
    const Entry& entry = *entries_.front();
    out.decoded = entry.decoded;
    out.source = entry.source;
    out.paneSource = entry.paneSource;
    out.animated = entry.animated;
    if (resultValid(entry)) {
        out.resultMade = true;
        out.result = entry.result;
        out.textStepRan = entry.textStepRan;
    }
    return out;
}

std::optional<QuickPreview> PreviewPreparer::takeQuick() {
    std::lock_guard lock(mutex_);
    if (entries_.empty() || !entries_.front()->quick) return std::nullopt;
    std::unique_ptr<QuickPreview> taken = std::move(entries_.front()->quick);
    return std::optional<QuickPreview>(std::in_place, std::move(taken->source), std::move(taken->result));
}

bool PreviewPreparer::resultReady(const SourceFileIdentity& identity) const {
    std::lock_guard lock(mutex_);
    for (const std::shared_ptr<Entry>& entry : entries_) {
        if (entry->identity == identity) return resultValid(*entry);
    }
    return false;
}

bool PreviewPreparer::resultValid(const Entry& entry) const {
    return entry.resultMade && sameResult(entry.resultSettings, entry.resultJob, settings_, entry.job);
}

bool PreviewPreparer::stillWanted(const Entry& entry) const { return !entry.dropped && !stopping_; }

void PreviewPreparer::drop(Entry& entry) {
    entry.dropped = true;
    entry.abandoned.store(true, std::memory_order_relaxed);
}

uint64_t PreviewPreparer::stepsBegun() const {
    std::lock_guard lock(mutex_);
    return tickets_;
}

bool PreviewPreparer::working() const {
    std::lock_guard lock(mutex_);
    return running_ > 0;
}

std::pair<PreviewPreparer::Step, std::shared_ptr<PreviewPreparer::Entry>> PreviewPreparer::nextStep() {
    for (const std::shared_ptr<Entry>& entry : entries_) {
        Entry& e = *entry;
        // A neighbour waits while the shown entry takes every core: it must not slow
        // down what the user is waiting for.
        if (!e.shown && !entries_.empty() && entries_.front()->coresBusy >= usableCores()) break;
        if (e.shown && !e.decoded && !e.firstScansTried) return {Step::FirstScans, entry};
        if (!e.decoded) {
            if (e.noRoom || e.decoding) continue;
            return {Step::Decode, entry};
        }
        if (!e.source || resultValid(e)) continue;
        if (e.shown && !e.paneQuickTried && e.paneSource &&
            uint64_t(e.source->width) * uint64_t(e.source->height) >= kQuickPictureWorthPixels)
            return {Step::PaneQuick, entry};
        if (e.resultTicket != 0 && sameResult(e.runningSettings, e.runningJob, settings_, e.job)) continue;
        return {Step::Result, entry};
    }
    return {Step::None, nullptr};
}

void PreviewPreparer::work() {
    BufferPool pool;  // this worker's own
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        auto [step, entry] = nextStep();
        if (step == Step::None) {
            // Nothing to do: the buffers kept for the next setting change stay few, and
            // none stay once nothing is wanted (a batch runs).
            pool.trimTo(entries_.empty() ? 0 : kIdlePoolBytes);
            changed_.wait(lock);
            continue;
        }
        if (step == Step::FirstScans) entry->firstScansTried = true;
        if (step == Step::Decode) entry->decoding = true;
        if (step == Step::PaneQuick) entry->paneQuickTried = true;
        const PipelineJob job = entry->job;
        PipelineSettings settings = settings_;
        const uint64_t ticket = ++tickets_;
        ++running_;

        if (step == Step::Result) {
            entry->resultTicket = ticket;
            entry->runningSettings = settings_;
            entry->runningJob = job;
        }
        // The shown entry spreads over every core; a neighbour takes one.
        settings.threads = entry->shown ? usableCores() : 1;
        const int cores = step == Step::Result ? coresTakenBy(settings) : 1;
        entry->coresBusy += cores;
        const SourceFileIdentity identity = entry->identity;
        const bool neighbour = !entry->shown;
        const std::shared_ptr<const ImageObject> source = entry->source;
        const std::shared_ptr<const ImageObject> paneSource = entry->paneSource;
        const bool animated = entry->animated;
        const std::atomic<bool>* abandoned = &entry->abandoned;
        lock.unlock();

        std::optional<QuickPreview> quick;
        LoadedSource loaded;
        bool tooLarge = false;
        std::optional<uint64_t> need;
        std::optional<ImageObject> paneCopy;
        PreviewImage made;
        const CaughtStop caught = runCatching([&] {
            switch (step) {
            case Step::FirstScans: quick = quickPreview(settings, job); break;
            case Step::Decode: {
                std::string& bytes = pool.fileBytes();
                if (!readWholeFile(identity.path, bytes, kMaxImageFileBytes) || abandoned->load()) break;
                if (neighbour) {
                    need = neighbourNeed(bytes, *settings.codecs);
                    if (!need) {
                        tooLarge = true;
                        break;
                    }
                    std::unique_lock budgetLock(mutex_);
                    if (entry->dropped) break;
                    tooLarge = !budget_.tryGrow(entry->memory, *need);
                    if (tooLarge) break;
                }
                loaded = preparedSource(catchImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                                   *settings.codecs),
                                        identity.path, *settings.codecs);
                if (loaded.image && !abandoned->load()) paneCopy = paneSizedSource(*loaded.image);
                break;
            }
            case Step::PaneQuick:
                if (std::optional<ImageObject> picture = quickResultOf(*paneSource, source->width, settings, job))
                    quick = QuickPreview{ImageObject{}, std::move(picture)};
                break;
            case Step::Result: made = previewOfSource(*source, animated, settings, job, &pool, abandoned); break;
            case Step::None: break;
            }
        });

        lock.lock();
        --running_;
        entry->coresBusy -= cores;
        if (step == Step::Decode) entry->decoding = false;
        if (step == Step::Result && entry->resultTicket == ticket) entry->resultTicket = 0;
        if (!stillWanted(*entry)) continue;
        switch (step) {
        case Step::FirstScans:
            if (entry->shown && !entry->decoded && quick) entry->quick = std::make_unique<QuickPreview>(std::move(*quick));
            break;
        case Step::Decode:
            if (tooLarge) {
                entry->noRoom = true;
                entry->memory.release();
                break;
            }
            entry->decoded = true;
            if (loaded.image && caught.stop == BatchStop::None) {
                entry->source = std::make_shared<const ImageObject>(std::move(*loaded.image));
                entry->animated = loaded.animated;
                if (paneCopy) entry->paneSource = std::make_shared<const ImageObject>(std::move(*paneCopy));
            }
            break;
        case Step::PaneQuick:
            if (entry->shown && !resultValid(*entry) && quick)
                entry->quick = std::make_unique<QuickPreview>(std::move(*quick));
            break;
        case Step::Result:
            // A result of settings changed meanwhile is thrown away; the step runs again.
            // So is one whose source was let go meanwhile.
            if (!sameResult(settings, job, settings_, entry->job) || !entry->decoded) break;
            entry->resultMade = true;
            entry->resultSettings = settings;
            entry->resultJob = job;
            entry->textStepRan = made.textStepRan;
            entry->result.reset();
            if (made.result && caught.stop == BatchStop::None) {
                // The pool keeps working buffers; the result lives on by itself.
                entry->result = std::make_shared<const ImageObject>(std::move(*made.result));
            }
            break;
        case Step::None: break;
        }
        // A neighbour holds what it made, no more: the rest goes back to the budget.
        if (!entry->shown && entry->memory.bytes() > 0)
            entry->memory.shrinkTo(bytesOf(entry->source) + bytesOf(entry->paneSource) + bytesOf(entry->result) +
                                   (entry->resultMade ? 0 : 2 * bytesOf(entry->source)));
        lock.unlock();
        changed_.notify_all();
        lock.lock();
    }
}

PreviewPreparer& preparerOf(PreviewCache& cache) {
    if (!cache.preparer)
        cache.preparer = std::make_shared<PreviewPreparer>(std::min(2, usableCores()), defaultMemoryLimit() / 4);
    return *cache.preparer;
}

}  // namespace tesselon
