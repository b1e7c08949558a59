// What the manifest of a destination keeps about one result: the source it was made
// from, the settings that shaped it, and the result file as it was left. One line of
// text each, with a check of its own, so a line cut short by a killed run, or damaged
// later, is recognised and never taken for a record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/hash/sha256.h"

namespace tesselon {

// A file's size and modification time, as a stat gives them.
struct FileState {
    int64_t size = -1;
    int64_t modifiedNs = 0;  // nanoseconds since 1970
    bool operator==(const FileState&) const = default;
};

// The source as the conversion read it: its state when opened and the digest of the
// very bytes that were converted.
struct SourceFingerprint {
    FileState state;
    Sha256Digest digest{};
};

struct ResultRecord {
    std::string source;   // the source's path below the source folder
    SourceFingerprint from;
    Sha256Digest recipe{};  // the settings that shaped the result (result_recipe.h)
    std::string output;   // the result's path below the destination folder
    FileState result;     // the result file right after it was put in place
};

// The first line of every manifest file: the format and the program that wrote it.
// A file that starts otherwise is from another version, or is no manifest at all.
std::string manifestHeader();

// The record's line, with its check and the final line feed.
std::string composeRecordLine(const ResultRecord& record);

// The record of one line (without its line feed); nothing when the line is not one
// composeRecordLine gives, its check included.
std::optional<ResultRecord> parseRecordLine(std::string_view line);

// The tab-separated fields of a record line; past `expected` fields it stops splitting,
// so a line with too many is told by its size alone.
std::vector<std::string_view> tabFields(std::string_view line, size_t expected);

// What every line of the manifest's files is made of: names with the bytes that would
// break a line as %XX, and the check a line ends with.
std::string escapeManifestName(std::string_view name);
std::optional<std::string> unescapeManifestName(std::string_view text);
std::string manifestLineCheck(std::string_view body);

}  // namespace tesselon
