// Choosing a few colours for many: a variance-based median cut over a histogram of the
// pixels' colours, refined by k-means.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "runtime/imaging/palette_quantizer.h"
#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

// At most `size` (1..256) entries for the pixels whose alpha is not 0 (24-bit rows are
// opaque). Colours are compared premultiplied by their alpha, so a faint pixel weighs as
// little as it shows. An entry that stands mostly for one exact colour takes that colour
// exactly, so the flat areas of a drawing keep theirs when a change adds colours around
// them. No entry is fully transparent. An image of more than about two million pixels
// is sampled evenly. Deterministic. Nothing when no pixel is visible,
// the size is out of range, or memory runs out.
std::optional<Palette> reducePalette(const PixelRows& rows, int size);

// A colour as reducePalette compares them: blue, green and red premultiplied by alpha
// (0..255 each), then alpha.
using PremultipliedColour = std::array<float, 4>;
PremultipliedColour premultiplied(uint8_t blue, uint8_t green, uint8_t red, uint8_t alpha);

// The nearest of some colours for a pixel, by squared distance between premultiplied
// colours, the lowest index among equals. Opaque pixels look only among the opaque
// colours and the others only among the translucent ones (among all when their group is
// empty), so that no opaque pixel turns translucent. Immutable once built.
class PaletteFinder {
public:
    explicit PaletteFinder(const std::vector<PremultipliedColour>& colours);
    explicit PaletteFinder(const Palette& palette);
    size_t nearest(const PremultipliedColour& colour) const;

private:
    // Each group sorted along the axis where its colours spread most; a search walks
    // outwards from the pixel's place and stops where that axis alone is farther than
    // the best found.
    struct Group {
        int axis = 1;
        std::vector<PremultipliedColour> sorted;
        std::vector<size_t> index;  // of each sorted colour among all
        size_t nearest(const PremultipliedColour& colour) const;
    };
    Group groups_[2];  // translucent, opaque
};

}  // namespace tesselon
