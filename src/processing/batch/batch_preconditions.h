// The checks and questions before a batch converts anything.
#pragma once

namespace tesselon {

struct AppState;

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
BatchGate checkBatchPreconditions(AppState& state);

}  // namespace tesselon
