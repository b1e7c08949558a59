#include "processing/incremental/publish_ledger.h"

#include <charconv>
#include <vector>

#include "processing/incremental/result_record.h"
#include "runtime/fs/file_replacement.h"
#include "runtime/fs/regular_file.h"
#include "sources/bookkeeping_names.h"

namespace tesselon {

namespace {

constexpr std::string_view kHeader = "tesselon-published\t1\n";
constexpr std::string_view kHeaderStart = "tesselon-published\t";
constexpr size_t kFieldCount = 6;
constexpr size_t kMaxLineBytes = size_t(32) << 10;

std::vector<std::string_view> fieldsOf(std::string_view line) { return tabFields(line, kFieldCount); }

}  // namespace

std::string composePublishedLine(const PublishedRecord& r) {
    const std::string body = "P\t" + escapeManifestName(r.output) + "\t" + escapeManifestName(r.where) + "\t" +
                             std::to_string(r.size) + "\t" + hexOf(r.digest);
    return body + "\t" + manifestLineCheck(body) + "\n";
}

std::optional<PublishedRecord> parsePublishedLine(std::string_view line) {
    const std::vector<std::string_view> fields = fieldsOf(line);
    if (fields.size() != kFieldCount || fields[0] != "P") return std::nullopt;
    if (fields.back() != manifestLineCheck(line.substr(0, line.size() - fields.back().size() - 1))) return std::nullopt;
    const std::optional<std::string> output = unescapeManifestName(fields[1]);
    const std::optional<std::string> where = unescapeManifestName(fields[2]);
    uint64_t size = 0;
    const auto [end, ec] = std::from_chars(fields[3].data(), fields[3].data() + fields[3].size(), size);
    const std::optional<Sha256Digest> digest = digestFromHex(fields[4]);
    if (!output || output->empty() || !where || where->empty() || ec != std::errc() ||
        end != fields[3].data() + fields[3].size() || !digest)
        return std::nullopt;
    return PublishedRecord{*output, *where, size, *digest};
}

std::string PublishLedger::fileName(const std::string& part) {
    return std::string(kManifestNamePrefix) + "-published" + (part.empty() ? "" : "-" + part);
}

PublishLedgerRead PublishLedger::load(const FolderHandle& root, const std::string& part, uint64_t byteBound) {
    records_.clear();
    OpenedFile opened = openRegularFile(root, fileName(part), byteBound);
    if (!opened.file) return opened.problem == OpenProblem::TooLarge ? PublishLedgerRead::Oversized
                                                                     : PublishLedgerRead::Missing;
    std::string text;
    if (!readOpenedFile(*opened.file, byteBound, text)) return PublishLedgerRead::Oversized;
    if (text.rfind(kHeader, 0) != 0)
        return text.rfind(kHeaderStart, 0) == 0 ? PublishLedgerRead::OtherVersion : PublishLedgerRead::Damaged;
    std::map<std::pair<std::string, std::string>, PublishedRecord> read;
    for (size_t at = kHeader.size(); at < text.size();) {
        const size_t end = text.find('\n', at);
        if (end == std::string::npos || end - at > kMaxLineBytes) return PublishLedgerRead::Damaged;
        std::optional<PublishedRecord> record = parsePublishedLine(std::string_view(text).substr(at, end - at));
        if (!record) return PublishLedgerRead::Damaged;
        auto key = std::make_pair(record->output, record->where);
        read[std::move(key)] = std::move(*record);
        at = end + 1;
    }
    records_ = std::move(read);
    return PublishLedgerRead::Read;
}

const PublishedRecord* PublishLedger::find(const std::string& output, const std::string& where) const {
    const auto found = records_.find({output, where});
    return found == records_.end() ? nullptr : &found->second;
}

void PublishLedger::set(PublishedRecord record) {
    auto key = std::make_pair(record.output, record.where);
    records_[std::move(key)] = std::move(record);
}

void PublishLedger::drop(const std::string& output, const std::string& where) { records_.erase({output, where}); }

bool PublishLedger::save(const FolderHandle& root, const std::string& part) const {
    FileReplacement file(FileInFolder{root, fileName(part)});
    if (!file.ok()) return false;
    std::string text(kHeader);
    for (const auto& [key, record] : records_) text += composePublishedLine(record);
    return file.write(text.data(), text.size()) && file.commit();
}

}  // namespace tesselon
