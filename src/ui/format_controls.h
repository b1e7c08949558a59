// The window's controls for the formats of the table (image_formats.h): a checkbox for
// each format a scan may take, in the "Trabajar sólo con estas extensiones" group, and an
// option for each format results may be written in, in the "Extensión final de las
// imágenes" group. The first three of each (JPG, PNG, GIF) keep the numbers and places
// the window always had; each further format gets a place in rows below them, and the
// group grows by those rows.
#pragma once

#include <string>
#include <vector>

#include "runtime/imaging/image_formats.h"
#include "ui/window_layout.h"

namespace tesselon {

class LanguageTable;

struct FormatControl {
    const ImageFormat* format = nullptr;
    int id = 0;
    std::string name;  // the control's name and the language key of its caption
    ControlRect rect;  // in the group's parent, like the group itself
};

// In table order.
const std::vector<FormatControl>& sourceFormatControls();
const std::vector<FormatControl>& resultFormatControls();

// The control of that number, or null when it is none of them.
const FormatControl* sourceFormatControl(int id);
const FormatControl* resultFormatControl(int id);

// How much taller than its first row each group is.
int sourceFormatGroupGrowth();
int resultFormatGroupGrowth();

// Captions for the format controls the built-in texts do not name: the format's label.
void addFormatCaptions(LanguageTable& table);

}  // namespace tesselon
