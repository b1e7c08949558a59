// What a job of tesselon-batch may ask beyond what the settings records hold. The
// records' proportional resize gives a landscape image the width ResizeH and a portrait
// one the height ResizeV, whatever the other side becomes, and their text size is a
// fixed number of pixels; a terminal user also asks for a box to fit into, for "only
// shrink", and for a text size that follows each image's height.
#pragma once

#include <optional>

namespace tesselon {

// The image is scaled, keeping its aspect, to the largest size that fits width x height;
// a side of 0 sets no bound on that side.
struct ResizeBox {
    int width = 0;
    int height = 0;
    bool shrinkOnly = false;  // an image that already fits keeps its size
    bool operator==(const ResizeBox&) const = default;
};

struct JobRefinements {
    // Replaces the records' resize when the job resizes at all (ResizeActivo).
    std::optional<ResizeBox> resizeBox;
    // The text's starting size as a share of the height of the image it is drawn on
    // (0.05 for 5%), instead of Tamagno.
    std::optional<double> textHeightShare;
    bool operator==(const JobRefinements&) const = default;
};

}  // namespace tesselon
