// The desktop program's batch conversion and preview refresh.
#pragma once

namespace tesselon {

struct AppState;

// previewOnly 0: checks the preconditions, then converts every entry of the image list
// in order, with progress in the image counter and CANCELAR honoured between images.
// previewOnly 1: processes the current entry only into a private temporary file and
// shows the source and the result in the preview panes.
//
// Each image is processed on a worker thread while this thread keeps the windows alive,
// so the program answers clicks and repaints during long images; as while any long
// operation runs, only the immediate callbacks act meanwhile.
void runBatch(AppState& state, bool previewOnly);

}  // namespace tesselon
