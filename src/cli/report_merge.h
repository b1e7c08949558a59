// Joining the reports of the shards of one job (--merge-reports) into the report one
// whole run would have written: the images of shard 1, then of shard 2 and so on, each
// in list order, then what the scan could not list, once.
#pragma once

#include <string>
#include <vector>

namespace tesselon {

struct ReportMergeProblem {
    enum class Kind {
        None,
        Unreadable,      // missing, not a regular file, too large or a read error
        NotAReport,      // not a JSON array of objects
        MixedShards,     // images of more than one shard in one report
        OtherSplit,      // a shard of another count than the other reports'
        SameShardTwice,  // two reports of one shard
    };
    Kind kind = Kind::None;
    std::string file;  // the report it is about
};

struct ReportMerge {
    ReportMergeProblem problem;  // when not None, `json` is empty
    std::string json;            // the joined report
    size_t shardCount = 0;       // N of the shards given; 0 when no image named one
    std::vector<size_t> missing;  // shards (K) that none of the reports is from
};

// Reads and joins the reports in `files`. A report without images (an empty share)
// names no shard, and stands for one of those otherwise missing.
ReportMerge mergeReportFiles(const std::vector<std::string>& files);

}  // namespace tesselon
