// What a batch reads and writes besides its options: the job, the list it converts, the
// texts it draws, and the program's codecs, font resolution and front end. A batch is
// given these parts, never the whole program state.
#pragma once

#include <string>

#include "core/job.h"

namespace tesselon {

class CodecRegistry;
class Frontend;
class PackedStrings;
struct SourceImageList;

struct BatchInputs {
    JobDescription job;
    SourceImageList* list = nullptr;        // each entry's outputPath, saved and overlayText are filled in
    const PackedStrings* phrases = nullptr;
    std::string defaultWatermark;           // drawn when neither phrases nor the watermark are chosen
    int fontDpi = 96;
    const CodecRegistry* codecs = nullptr;
    Frontend* frontend = nullptr;
};

}  // namespace tesselon
