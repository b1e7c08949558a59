// The desktop program's batch conversion and preview refresh.
#pragma once

namespace tesselon {

struct AppState;

// previewOnly 0: checks the preconditions, then converts every entry of the image list
// in order, with progress in the image counter and CANCELAR honoured between images;
// afterwards the counter shows the entry the panes show, which becomes the current one.
// previewOnly 1: processes the current entry in memory (see preview_image.h) and shows
// the source and the result in the preview panes; nothing is written anywhere.
//
// Each image is processed on a worker thread, spread over every core, while this thread
// keeps the windows alive, so the program answers clicks and repaints during long
// images; what the front end does with the events meanwhile is its own affair.
void runBatch(AppState& state, bool previewOnly);

}  // namespace tesselon
