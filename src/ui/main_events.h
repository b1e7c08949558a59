// The groups of window 1's control events, one per region of the window. Each answers
// whether the control was one of its own.
#pragma once

#include <cstdint>

#include "ui/main_event_handler.h"

namespace tesselon {

// Refreshes the preview of the current image with the settings in the controls.
void refreshPreview(MainEventContext& context);

// Panel 5, tab 0: source, destination, extensions, output format and quality.
bool handleFilesEvent(MainEventContext& context, int control);
// Panel 5, tab 1: mirrors, rotation, colours, contrast, tint, resize, text switch.
bool handleImageEvent(MainEventContext& context, int control);
// Panel 5, tab 2: phrases, watermark, font, border colour, spacing, transparency,
// position.
bool handleTextEvent(MainEventContext& context, int control);

// Asks for a colour preset with `field`; a chosen one goes into the field and the
// swatch. The preview is refreshed whatever the answer.
void chooseSwatchColour(MainEventContext& context, int32_t& field, int swatch);

}  // namespace tesselon
