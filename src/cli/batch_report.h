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
    std::vector<std::optional<size_t>> replacedBy;   // per entry: whose result replaced its own
    // Files and folders the scan could not list, with why: reported after the images.
    std::vector<std::pair<std::string, std::string>> unlisted;
};

// A JSON array of {path, outputPath, saved, overlayText} objects, with "reason" when an
// entry was not saved and "replacedBy" (the path of the entry whose result took its
// place) when a later image wrote the same output. Every text is valid UTF-8: bytes of
// a name that are not become U+FFFD, and the exact name is kept in "rawPath" (and
// "rawOutputPath") with "%" and those bytes written as %XX.
std::string composeBatchReport(const SourceImageList& list, const ReportNotes& notes = {});

// The name with "%" and every byte outside well-formed UTF-8 written as %XX.
std::string percentEncodedName(const std::string& name);

}  // namespace tesselon
