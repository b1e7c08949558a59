// The --report file: one JSON object per image, in list order.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tesselon {

struct SourceImageList;

// Why each entry has no result of its own, beside the list.
struct ReportNotes {
    std::vector<std::string> reasons;                // per entry; empty for saved ones
    // Per entry: the file its result was written to, or would have been; the entry's
    // outputPath where this has none.
    std::vector<std::string> resultPaths;
    // Per entry: the entry that keeps the result name it shares, when it is another.
    std::vector<std::optional<size_t>> sameOutputAs;
    // Files and folders the scan could not list, with why: reported after the images.
    std::vector<std::pair<std::string, std::string>> unlisted;
    // Per entry: 1 when its result from an earlier run stands (--skip-unchanged).
    std::vector<char> skipped;
    // Per entry: 1 when its result is its source copied as it is (an animated GIF).
    std::vector<char> copied;
    // With --shard: the run's share ("2/3"), given on each of its images, and per entry
    // whether it is in it; the others are left out of the report. Empty without.
    std::string shard;
    std::vector<char> inShare;
    // With --publish: per entry -1 (not a result of the run), 0 not published, 1
    // published; and why not, or that it stood unchanged on the server.
    std::vector<signed char> published;
    std::vector<std::string> publishReasons;
};

// The reason given for an image whose result from an earlier run stands.
inline constexpr const char* kUnchangedReason = "unchanged";

// A JSON array of {path, outputPath, saved, overlayText} objects (outputPath: the file
// written, or that would have been), with "reason" when an entry was not saved,
// "sameOutputAs" (the path of the entry whose result keeps the name) when another image
// of the list has the same output, "skipped" true when its earlier result
// stands, "copied" true when the result is the source copied unchanged (an animated
// GIF: saved, but not converted), "shard" in a shard's report, and with --publish
// "published" and "publishReason". Every text is valid UTF-8: bytes of
// a name that are not become U+FFFD, and the exact name is kept in "rawPath" (and
// "rawOutputPath") with "%" and those bytes written as %XX.
std::string composeBatchReport(const SourceImageList& list, const ReportNotes& notes = {});

// The name with "%" and every byte outside well-formed UTF-8 written as %XX.
std::string percentEncodedName(const std::string& name);

}  // namespace tesselon
