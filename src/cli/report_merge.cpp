#include "cli/report_merge.h"

#include <algorithm>
#include <map>
#include <set>

#include "processing/batch/shard_share.h"
#include "runtime/fs/regular_file.h"
#include "runtime/json/json_compose.h"
#include "runtime/json/json_parse.h"
#include "runtime/json/json_value.h"

namespace tesselon {

namespace {

// A report of a million images is some 300 MB.
constexpr uint64_t kMaxReportBytes = uint64_t(2) << 30;

struct ParsedReport {
    std::optional<Shard> shard;         // from its images; nothing when it has none
    std::vector<JsonValue> images;      // entries that carry a shard
    std::vector<JsonValue> unlisted;    // entries that do not: what the scan could not list
};

ReportMergeProblem::Kind readReport(const std::string& file, ParsedReport& report) {
    OpenedFile opened = openRegularFile(file, kMaxReportBytes);
    std::string text;
    if (!opened.file || !readOpenedFile(*opened.file, kMaxReportBytes, text)) return ReportMergeProblem::Kind::Unreadable;
    JsonParseResult parsed = parseJson(text);
    JsonDocument* document = std::get_if<JsonDocument>(&parsed);
    JsonArray* entries = document ? document->root().asArray() : nullptr;
    if (!entries) return ReportMergeProblem::Kind::NotAReport;
    for (JsonValue& entry : *entries) {
        const JsonObject* members = entry.asObject();
        if (!members) return ReportMergeProblem::Kind::NotAReport;
        const JsonValue* shardValue = members->find("shard");
        if (!shardValue) {
            report.unlisted.push_back(std::move(entry));
            continue;
        }
        const std::string* shardText = shardValue->asString();
        const std::optional<Shard> shard = shardText ? parseShard(*shardText) : std::nullopt;
        if (!shard) return ReportMergeProblem::Kind::NotAReport;
        if (report.shard && (report.shard->index != shard->index || report.shard->count != shard->count))
            return ReportMergeProblem::Kind::MixedShards;
        report.shard = shard;
        report.images.push_back(std::move(entry));
    }
    return ReportMergeProblem::Kind::None;
}

}  // namespace

ReportMerge mergeReportFiles(const std::vector<std::string>& files) {
    ReportMerge merge;
    std::map<size_t, ParsedReport> byShard;
    std::vector<ParsedReport> withoutImages;
    for (const std::string& file : files) {
        ParsedReport report;
        const ReportMergeProblem::Kind kind = readReport(file, report);
        if (kind == ReportMergeProblem::Kind::None && report.shard) {
            if (merge.shardCount != 0 && merge.shardCount != report.shard->count)
                merge.problem = {ReportMergeProblem::Kind::OtherSplit, file};
            else if (byShard.count(report.shard->index))
                merge.problem = {ReportMergeProblem::Kind::SameShardTwice, file};
            merge.shardCount = report.shard->count;
        } else if (kind != ReportMergeProblem::Kind::None) {
            merge.problem = {kind, file};
        }
        if (merge.problem.kind != ReportMergeProblem::Kind::None) return merge;
        if (report.shard) byShard.emplace(report.shard->index, std::move(report));
        else withoutImages.push_back(std::move(report));
    }

    JsonValue joined = JsonValue::makeArray();
    JsonArray& out = *joined.asArray();
    for (auto& [index, report] : byShard)
        for (JsonValue& image : report.images) out.push_back(std::move(image));
    // Every shard scans the whole folder, so each names the same unlisted entries.
    std::set<std::string> seen;
    auto addUnlisted = [&](std::vector<JsonValue>& entries) {
        for (JsonValue& entry : entries)
            if (seen.insert(composeJson(entry)).second) out.push_back(std::move(entry));
    };
    for (auto& [index, report] : byShard) addUnlisted(report.unlisted);
    for (ParsedReport& report : withoutImages) addUnlisted(report.unlisted);

    size_t unnamed = withoutImages.size();
    for (size_t k = 1; k <= merge.shardCount; ++k) {
        if (byShard.count(k)) continue;
        if (unnamed > 0) --unnamed;
        else merge.missing.push_back(k);
    }
    merge.json = composeJson(joined);
    return merge;
}

}  // namespace tesselon
