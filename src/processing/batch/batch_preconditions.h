// The checks and questions before a batch converts anything.
#pragma once

#include <functional>

namespace tesselon {

class Frontend;
class PackedStrings;
struct Settings;
struct SourceImageList;

// What the preconditions look at and whom they ask.
struct BatchGateParts {
    const Settings& settings;
    const SourceImageList& list;
    const PackedStrings& phrases;
    Frontend& frontend;
    // Scans the source the settings name again, refilling the list, when the user
    // accepts the rescan offered for a list of another source.
    std::function<void()> rescan;
};

enum class BatchGate {
    Proceed,
    EmptyList,          // nothing scanned: told the user
    OtherSourceKind,    // the list came from the other kind of source: rescanned or aborted
    OtherSource,        // the list came from another folder or server; the user declined the rescan
    NoTextSource,       // neither phrases nor the watermark: told the user
    DestinationIsSource,  // results would go into the source folder itself: told the user
    OverwriteDeclined,  // the user said No to replacing the sources
};

// Runs the batch's preconditions in order, with their messages and questions. Only
// Proceed lets the batch convert.
BatchGate checkBatchPreconditions(const BatchGateParts& parts);

}  // namespace tesselon
