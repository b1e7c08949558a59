// The --report file: one JSON object per image, in list order.
#pragma once

#include <string>

namespace tesselon {

struct SourceImageList;

// A JSON array of {path, outputPath, saved, overlayText} objects.
std::string composeBatchReport(const SourceImageList& list);

}  // namespace tesselon
