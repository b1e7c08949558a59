// The text sample: the current text settings drawn on the result pane's placeholder
// when there is no image to preview.
#pragma once

#include <string>

namespace tesselon {

class Frontend;
struct ImageObject;
struct Settings;

// Draws sampleText of the settings on a copy of the placeholder (which stays as it is
// for the next refresh), at `fontDpi`, and shows the result in the front end's result
// pane. Nothing is shown when no sample could be made.
void refreshTextSample(const Settings& settings, const std::string& defaultWatermark, int fontDpi, Frontend* frontend,
                       const ImageObject& placeholder);

}  // namespace tesselon
