#include "processing/incremental/result_ledger.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "processing/output/output_format.h"
#include "runtime/fs/directory_listing.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/regular_file.h"
#include "sources/bookkeeping_names.h"

namespace tesselon {

namespace {

constexpr std::string_view kJournalSuffix = ".journal";
// A record holds two names below their folders; the system's paths stop at 4096 bytes,
// and each byte is written as %XX at worst. The numbers, digests and check come beside.
constexpr uint64_t kMaxRecordLineBytes = uint64_t(32) << 10;
// Room for a part written when the job held more images: some 250,000 records of
// ordinary names.
constexpr uint64_t kMinManifestBound = uint64_t(64) << 20;
// How every manifest header starts, whatever the version.
constexpr std::string_view kHeaderStart = "tesselon-manifest\t";
constexpr size_t kReadChunkBytes = 64 << 10;
// What one kept record takes besides its names: the record, the map's node and key.
constexpr uint64_t kRecordOverheadBytes = sizeof(ResultRecord) + 96;

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// ".tesselon-manifest", or "-K-of-N" after it with both numbers plain digits.
bool isPartName(std::string_view name) {
    const std::string_view prefix = kManifestNamePrefix;
    if (name.substr(0, prefix.size()) != prefix) return false;
    std::string_view rest = name.substr(prefix.size());
    if (rest.empty()) return true;
    if (rest.front() != '-') return false;
    rest.remove_prefix(1);
    const size_t of = rest.find("-of-");
    if (of == 0 || of == std::string_view::npos || of + 4 >= rest.size()) return false;
    auto digits = [](std::string_view text) {
        return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return digits(rest.substr(0, of)) && digits(rest.substr(of + 4));
}

}  // namespace

Judgement judgeResult(const ResultRecord* record, const Sha256Digest& recipe, const ResultNow& now,
                      const std::function<std::optional<Sha256Digest>()>& contentNow) {
    if (!record) return {ResultVerdict::NotRecorded};
    if (record->recipe != recipe) return {ResultVerdict::SettingsChanged};
    if (record->output != now.output || !now.result || *now.result != record->result)
        return {ResultVerdict::ResultChanged};
    if (now.source.size != record->from.state.size) return {ResultVerdict::SourceChanged};
    if (now.source.modifiedNs == record->from.state.modifiedNs) return {ResultVerdict::Current};
    const std::optional<Sha256Digest> content = contentNow ? contentNow() : std::nullopt;
    if (!content || *content != record->from.digest) return {ResultVerdict::SourceChanged};
    return {ResultVerdict::Current, true};
}

uint64_t manifestByteBound(size_t images) {
    return std::max(kMinManifestBound, manifestHeader().size() + uint64_t(images) * kMaxRecordLineBytes);
}

std::string manifestFileName(const std::string& part) {
    return part.empty() ? std::string(kManifestNamePrefix) : std::string(kManifestNamePrefix) + "-" + part;
}

std::string sourceKeyOf(const std::string& path, const std::string& sourceRoot) {
    if (!sourceRoot.empty() && path.compare(0, sourceRoot.size(), sourceRoot) == 0) return path.substr(sourceRoot.size());
    return path;
}

std::string sourceKeyOf(const OutputPlan& plan) { return sourceKeyOf(plan.sourcePath, plan.sourceRoot); }

std::string outputKeyOf(const OutputPlan& plan) {
    std::string folder = plan.folderBeneathRoot;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + nameOfPath(plan.savePath);
}

ResultLedger::ResultLedger(std::string part)
    : part_(std::move(part)), partName_(manifestFileName(part_)), journalName_(partName_ + std::string(kJournalSuffix)) {}

ResultLedger::~ResultLedger() = default;

void ResultLedger::note(ManifestNote::Kind kind, const std::string& file) {
    std::lock_guard lock(mutex_);
    notes_.push_back(ManifestNote{kind, file});
}

std::vector<ManifestNote> ResultLedger::notes() const {
    std::lock_guard lock(mutex_);
    return notes_;
}

void ResultLedger::adopt(const ResultRecord& record) {
    // Of two records of one source, the one whose result was put in place later stands.
    auto [it, added] = known_.emplace(record.source, record);
    if (!added && record.result.modifiedNs >= it->second.result.modifiedNs) it->second = record;
}

bool ResultLedger::holdMemoryFor(const ResultRecord& record) {
    if (!memory_) return true;
    const uint64_t bytes = kRecordOverheadBytes + 2 * record.source.size() + record.output.size();
    return memory_->growForTheBatch(held_, bytes);
}

std::optional<ManifestNote::Kind> ResultLedger::readFile(const FolderHandle& root, const std::string& name,
                                                         uint64_t bound, std::vector<ResultRecord>& records) {
    const bool journal = endsWith(name, kJournalSuffix);
    OpenedFile opened = openRegularFile(root, name, bound);
    if (opened.problem == OpenProblem::TooLarge) return ManifestNote::Kind::Oversized;
    if (!opened.file) return ManifestNote::Kind::Unreadable;
    const std::string header = manifestHeader();
    const std::string_view headerLine = std::string_view(header).substr(0, header.size() - 1);
    std::vector<char> chunk(kReadChunkBytes);
    std::string line;
    bool headerSeen = false;
    uint64_t total = 0;
    // One line at a time, never longer than a record can be.
    auto takeLine = [&]() -> std::optional<ManifestNote::Kind> {
        if (!headerSeen) {
            if (line != headerLine)
                return line.rfind(kHeaderStart, 0) == 0 ? ManifestNote::Kind::OtherVersion : ManifestNote::Kind::Damaged;
            headerSeen = true;
            return std::nullopt;
        }
        std::optional<ResultRecord> record = parseRecordLine(line);
        if (!record) return ManifestNote::Kind::Damaged;
        // Records of images this run does not handle are of no use to it, unless the
        // part it writes carries them.
        if (wanted_.count(record->source) == 0) {
            if (!carry_ || (name != partName_ && name != journalName_)) return std::nullopt;
            if (carriedKeys_.count(record->source) == 0) return std::nullopt;
            if (!holdMemoryFor(*record)) return ManifestNote::Kind::OverMemory;
            const std::string source = record->source;
            carried_.insert_or_assign(source, std::move(*record));
            return std::nullopt;
        }
        if (!holdMemoryFor(*record)) return ManifestNote::Kind::OverMemory;
        records.push_back(std::move(*record));
        return std::nullopt;
    };
    for (;;) {
        const ssize_t got = ::read(opened.file->fd.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return ManifestNote::Kind::Unreadable;
        if (got == 0) break;
        total += uint64_t(got);
        // A file that grew past the bound while it was read.
        if (total > bound) return ManifestNote::Kind::Oversized;
        for (std::string_view rest(chunk.data(), size_t(got)); !rest.empty();) {
            const size_t end = rest.find('\n');
            const std::string_view part = rest.substr(0, end);
            if (line.size() + part.size() > kMaxRecordLineBytes) return ManifestNote::Kind::Damaged;
            line.append(part);
            if (end == std::string_view::npos) break;
            if (const std::optional<ManifestNote::Kind> problem = takeLine()) return problem;
            line.clear();
            rest.remove_prefix(end + 1);
        }
    }
    // A journal a run was killed in may end in a line cut short, or be no more than the
    // start of its header; any other file ends with a whole line.
    if (!line.empty() && !journal) {
        if (!headerSeen) return line.rfind(kHeaderStart, 0) == 0 ? ManifestNote::Kind::OtherVersion
                                                                 : ManifestNote::Kind::Damaged;
        return ManifestNote::Kind::Damaged;
    }
    return std::nullopt;
}

void ResultLedger::load(const FolderHandle& root, size_t listSize) {
    std::vector<std::string> others;
    bool ownPart = false;
    bool ownJournal = false;
    DirectoryListing listing(root, std::string(kManifestNamePrefix) + "*");
    while (listing.next()) {
        const std::string& name = listing.entry().name;
        const bool journal = endsWith(name, kJournalSuffix);
        const std::string_view part = std::string_view(name).substr(0, name.size() - (journal ? kJournalSuffix.size() : 0));
        if (!isPartName(part)) continue;
        if (name == partName_) ownPart = true;
        else if (name == journalName_) ownJournal = true;
        else others.push_back(name);
    }
    // This run's own files last: its journal holds the newest results of all.
    if (ownPart) others.push_back(partName_);
    if (ownJournal) others.push_back(journalName_);

    const uint64_t bound = manifestByteBound(listSize + (carry_ ? carriedKeys_.size() : 0));
    for (const std::string& name : others) {
        std::vector<ResultRecord> records;
        const uint64_t before = held_.bytes();
        if (const std::optional<ManifestNote::Kind> problem = readFile(root, name, bound, records)) {
            // What the file's records held is given back with them.
            records = {};
            held_.shrinkTo(before);
            note(*problem, name);
            continue;
        }
        const bool own = name == partName_ || name == journalName_;
        for (ResultRecord& record : records) {
            if (own && !holdMemoryFor(record)) {
                // The copy the part is rewritten from does not fit: this part is set aside.
                note(ManifestNote::Kind::OverMemory, name);
                break;
            }
            adopt(record);
            if (own) ownBefore_.push_back(std::move(record));
        }
    }
}

bool ResultLedger::start(const FolderHandle& root, const std::vector<std::string>& sources, size_t listSize,
                         MemoryBudget* memory) {
    if (!root.valid()) return false;
    root_ = root;
    memory_ = memory;
    const int flags = O_RDWR | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = ::openat(root.fd(), journalName_.c_str(), flags, 0666);
    // A link at the name is replaced, never followed.
    if (fd < 0 && errno == ELOOP && ::unlinkat(root.fd(), journalName_.c_str(), 0) == 0)
        fd = ::openat(root.fd(), journalName_.c_str(), flags, 0666);
    FileDescriptor journal(fd);
    struct stat info {};
    if (journal.valid() && (::fstat(journal.get(), &info) != 0 || !S_ISREG(info.st_mode))) journal.reset();
    if (journal.valid() && ::flock(journal.get(), LOCK_EX | LOCK_NB) != 0) {
        note(ManifestNote::Kind::Busy, journalName_);
        return false;
    }
    sources_ = sources;
    wanted_.clear();
    for (const std::string& source : sources_) wanted_.insert(source);
    load(root, listSize);
    if (!journal.valid()) {
        // Decisions still hold; this run's results are made again next time.
        note(ManifestNote::Kind::NotWritten, journalName_);
    } else {
        bool fresh = info.st_size == 0;
        if (!fresh) {
            // What a killed run recorded goes into the part before its journal starts over.
            std::vector<const ResultRecord*> own;
            std::unordered_map<std::string, size_t> at;
            for (const ResultRecord& record : ownBefore_) {
                auto [it, added] = at.emplace(record.source, own.size());
                if (added) own.push_back(&record);
                else own[it->second] = &record;
            }
            // Unless it is in the part, the journal stays as it is and this run adds nothing.
            fresh = writePart(own) && ::ftruncate(journal.get(), 0) == 0;
        }
        const std::string header = manifestHeader();
        if (fresh && writeAll(journal.get(), header.data(), header.size())) journal_ = std::move(journal);
        else if (fresh) note(ManifestNote::Kind::NotWritten, journalName_);
    }
    ownBefore_.clear();
    active_ = true;
    return true;
}

const ResultRecord* ResultLedger::recordOf(const std::string& source) const {
    const auto it = known_.find(source);
    return it == known_.end() ? nullptr : &it->second;
}

void ResultLedger::keep(const ResultRecord& record) {
    std::lock_guard lock(mutex_);
    thisRun_[record.source] = record;
}

void ResultLedger::record(const std::vector<ResultRecord>& records) {
    if (records.empty()) return;
    std::string lines;
    for (const ResultRecord& record : records) lines += composeRecordLine(record);
    std::lock_guard lock(mutex_);
    for (const ResultRecord& record : records) thisRun_[record.source] = record;
    if (journal_.valid() && !writeAll(journal_.get(), lines.data(), lines.size())) {
        notes_.push_back(ManifestNote{ManifestNote::Kind::NotWritten, journalName_});
        journal_.reset();
    }
}

void ResultLedger::forget(const std::string& source) {
    std::lock_guard lock(mutex_);
    thisRun_[source] = std::nullopt;
}

bool ResultLedger::writePart(const std::vector<const ResultRecord*>& records) {
    std::string text = manifestHeader();
    for (const ResultRecord* record : records) text += composeRecordLine(*record);
    for (const auto& [source, record] : carried_) text += composeRecordLine(record);
    if (writeFileReplacing(root_, partName_, text, WriteSync::Durable)) return true;
    note(ManifestNote::Kind::NotWritten, partName_);
    return false;
}

void ResultLedger::releaseMemory() {
    held_.release();
    memory_ = nullptr;
}

void ResultLedger::finish() {
    // The workers are through: what the records take need not be held any more.
    releaseMemory();
    if (!active_) return;
    active_ = false;
    std::vector<const ResultRecord*> records;
    {
        std::lock_guard lock(mutex_);
        records.reserve(sources_.size());
        for (const std::string& source : sources_) {
            if (const auto it = thisRun_.find(source); it != thisRun_.end()) {
                if (it->second) records.push_back(&*it->second);
            } else if (const ResultRecord* earlier = recordOf(source)) {
                records.push_back(earlier);
            }
        }
    }
    if (!writePart(records) || !journal_.valid()) return;
    ::unlinkat(root_.fd(), journalName_.c_str(), 0);
    journal_.reset();
}

}  // namespace tesselon
