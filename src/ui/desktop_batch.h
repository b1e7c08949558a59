// The window's batch and preview, given the parts of the program state they use.
#pragma once

#include "processing/batch/run_batch.h"

namespace tesselon {

struct AppState;

// The parts of the state the window's batch reads and fills in, with the state's
// CANCELAR token, its source scan for the rescan the preconditions may offer, and the
// publishing of the results the connection window may ask for before the end box.
DesktopBatch desktopBatchOf(AppState& state);

// Runs the batch (or the preview) on the state's parts. The settings file keeps its
// stored cancel value: once a batch converted, Cancelado says whether it was cancelled.
void runDesktopBatch(AppState& state, bool previewOnly);

}  // namespace tesselon
