// The manifest of one destination: what earlier runs converted there, read at the start
// of a run, and what this run converts, appended to a journal as each result is put in
// place. The end of the run folds both into this run's part of the manifest, written
// in one step beneath the destination's descriptor; a run killed at any point leaves
// its journal, which the next run reads, so nothing finished is converted again.
//
// The files are hidden in the destination folder and no scan takes them for images:
// ".tesselon-manifest" for a whole run, ".tesselon-manifest-K-of-N" for shard K of N,
// each with a ".journal" beside it while a run is under way. Every run reads them all,
// so a result recorded by another shard, or by a split that has changed since, still
// counts.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "processing/batch/memory_budget.h"
#include "processing/incremental/result_record.h"
#include "processing/output/output_plan.h"
#include "runtime/fs/file_descriptor.h"
#include "runtime/fs/folder_handle.h"

namespace tesselon {

// Why an image is converted again, or that its result stands.
enum class ResultVerdict {
    Current,          // the result made earlier is what a conversion would write now
    NotRecorded,      // no run recorded it (a new image, or one that failed)
    SettingsChanged,  // the settings that shape its result changed
    ResultChanged,    // its result file is missing, or is not the one that was left
    SourceChanged,    // its source's content changed
};

// An image as it stands now, for the judgement.
struct ResultNow {
    std::string output;               // the result's path below the destination folder
    std::optional<FileState> result;  // the result file; nothing when missing or not a regular file
    // The source's size and time: a local stat, or an FTP listing's size and date.
    FileState source;
};

struct Judgement {
    ResultVerdict verdict = ResultVerdict::NotRecorded;
    // Current although the source's time moved: its content is the same.
    bool sourceTimeMoved = false;
};

// Whether the recorded result still stands: the same settings, the same result file as
// it was left, and a source of the same size and time or, when only the time moved, of
// the same content. `contentNow` (the digest of the source as it is now) is asked only
// then; nothing from it counts as changed.
Judgement judgeResult(const ResultRecord* record, const Sha256Digest& recipe, const ResultNow& now,
                      const std::function<std::optional<Sha256Digest>()>& contentNow);

// What went wrong with the manifest, for warnings. None of it stops a run: a part that
// cannot be read counts as empty (its images are converted), and records that cannot
// be written are made again by the next run.
struct ManifestNote {
    enum class Kind {
        Damaged,       // a line that is no record: the file is set aside
        Oversized,     // larger than a manifest of the job can be: damaged, set aside unread
        OtherVersion,  // written by another version of the program: set aside
        Unreadable,    // not a regular file, or a read error: set aside
        OverMemory,    // its records of the job's images do not fit in the memory limit: set aside
        Busy,          // another run of the same part writes this destination now
        NotWritten,    // the journal or the part could not be written
    };
    Kind kind = Kind::Damaged;
    std::string file;  // the file's name in the destination folder
};

// The largest manifest file a job of `images` images can have: a record line of the
// longest names for each image, and room besides for a part written when the folder
// held more images. A larger file is taken for damaged without being read.
uint64_t manifestByteBound(size_t images);

// The name of the manifest part of a run: "" for a whole run, "K-of-N" for a shard.
std::string manifestFileName(const std::string& part);

// The source's key in the manifest: its path below the source folder.
std::string sourceKeyOf(const OutputPlan& plan);
// The same key of a source's path beneath `sourceRoot` (ending with "/").
std::string sourceKeyOf(const std::string& path, const std::string& sourceRoot);
// The result's path below the destination folder (once the guard has placed the plan).
std::string outputKeyOf(const OutputPlan& plan);

class ResultLedger {
public:
    explicit ResultLedger(std::string part = {});
    ~ResultLedger();
    ResultLedger(const ResultLedger&) = delete;
    ResultLedger& operator=(const ResultLedger&) = delete;

    // Takes this run's journal (refused while another run holds it), reads every part
    // and journal beneath `root`, folds a journal a killed run left into this run's
    // part, and starts a fresh journal. `sources` are the keys of the images this run
    // handles; their records make up its part at the end, and only theirs are kept of
    // what the files hold. `listSize` (the images of the whole job) bounds how large a
    // file may be (manifestByteBound). The records kept are held from `memory`, when
    // given, until finish(). False when the ledger cannot serve (no root, or the part
    // is busy): every image is then converted.
    bool start(const FolderHandle& root, const std::vector<std::string>& sources, size_t listSize,
               MemoryBudget* memory = nullptr);
    bool active() const { return active_; }

    // Before start(): a run that handles a few images of a larger job (a watch taking
    // the files that just arrived) keeps the records this part holds of the others as
    // they are, instead of leaving them out of the part it writes. `others` are the keys
    // of the job's other images that are still there: the records of sources gone since
    // are dropped, so a long watch's manifest holds what the folder holds, not all it
    // ever held.
    void carryOtherRecords(std::unordered_set<std::string> others) {
        carry_ = true;
        carriedKeys_ = std::move(others);
    }

    // The newest record of a source in any part; null when there is none.
    const ResultRecord* recordOf(const std::string& source) const;

    // A result that stands, carried into this run's part (with the source's new time
    // when only that moved, so the next run need not read it again).
    void keep(const ResultRecord& record);
    // Results just put in place: appended to the journal in one write, at once.
    void record(const std::vector<ResultRecord>& records);
    // An image converted without a result: its record is dropped, so it is tried again.
    void forget(const std::string& source);

    // Writes this run's part in one step and removes the journal. Images never reached
    // keep the records they had.
    void finish();

    // Gives back the memory held from start()'s budget, which must not outlive it.
    void releaseMemory();

    std::vector<ManifestNote> notes() const;

private:
    void load(const FolderHandle& root, size_t listSize);
    // Reads one file's records of this run's images into `records`; the note to make
    // when the file is set aside.
    std::optional<ManifestNote::Kind> readFile(const FolderHandle& root, const std::string& name, uint64_t bound,
                                               std::vector<ResultRecord>& records);
    // Holds the memory of one more kept record; false when the limit has no room.
    bool holdMemoryFor(const ResultRecord& record);
    void note(ManifestNote::Kind kind, const std::string& file);
    bool writePart(const std::vector<const ResultRecord*>& records);
    void adopt(const ResultRecord& record);

    std::string part_;
    std::string partName_;
    std::string journalName_;
    FolderHandle root_;
    FileDescriptor journal_;
    bool active_ = false;
    std::vector<std::string> sources_;
    std::unordered_set<std::string_view> wanted_;  // of sources_
    MemoryBudget* memory_ = nullptr;
    MemoryReservation held_;                        // what known_ and ownBefore_ take
    std::unordered_map<std::string, ResultRecord> known_;          // newest record of every source, any part
    std::vector<ResultRecord> ownBefore_;                           // what this part held, journal included
    bool carry_ = false;
    std::unordered_set<std::string> carriedKeys_;
    std::unordered_map<std::string, ResultRecord> carried_;        // this part's records of other images
    mutable std::mutex mutex_;                                     // guards what follows
    std::unordered_map<std::string, std::optional<ResultRecord>> thisRun_;  // kept, recorded or dropped
    std::vector<ManifestNote> notes_;
};

}  // namespace tesselon
