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
// A preview's image is processed on a worker thread, spread over every core; a batch's
// images are made by one worker per core, side by side, and handed back in list order.
// Meanwhile this thread keeps the windows alive, so the program answers clicks and
// repaints during long images; what the front end does with the events meanwhile is its
// own affair. CANCELAR lets the images in hand finish and starts no other.
void runBatch(AppState& state, bool previewOnly);

}  // namespace tesselon
