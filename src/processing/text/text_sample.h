// The text sample: the current text settings drawn on the result pane's placeholder
// when there is no image to preview.
#pragma once

namespace tesselon {

struct AppState;
struct ImageObject;

// Draws sampleText on a copy of the placeholder (which stays as it is for the next
// refresh) and shows the result in the result pane. Nothing is shown when no sample
// could be made.
void refreshTextSample(AppState& state, const ImageObject& placeholder);

}  // namespace tesselon
