// Reducing true-colour pixels to a small palette: learning the palette with a
// NeuQuant-style self-organising network, and mapping pixels to their nearest entry.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

struct PaletteColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 255;  // not premultiplied; 0 is the entry of transparent pixels
    bool operator==(const PaletteColour&) const = default;
};
using Palette = std::vector<PaletteColour>;

// Pixels examined per learning step for an image of that many pixels: every one up to
// 262143 pixels, then one in 1 + pixels / 262144, but never fewer than one in ten.
int samplingFactorFor(uint64_t pixels);

// A palette of exactly `size` entries (2..256) learned from the pixels' colours (alpha is
// ignored). The network learns in a gamma-1.8 space so dark tones get their share of
// entries. Deterministic: the same pixels always give the same palette. Nothing when the
// rows are not valid or the size is out of range.
std::optional<Palette> learnPalette(const PixelRows& rows, int size, int samplingFactor);

Palette blackAndWhitePalette();

// Finds the palette entry nearest to a colour (smallest squared distance, the lower index
// among equals). Immutable once built, so threads may share one.
class NearestColourFinder {
public:
    explicit NearestColourFinder(const Palette& palette);
    uint8_t nearest(uint8_t red, uint8_t green, uint8_t blue) const;

private:
    // The colour cube is cut into cells; each cell lists, in index order, the only
    // entries that can be nearest to some colour inside it.
    static constexpr int kCellShift = 3;
    static constexpr int kCellsPerAxis = 256 >> kCellShift;

    Palette palette_;
    std::vector<uint32_t> cellStart_;  // kCellsPerAxis^3 + 1 offsets into candidates_
    std::vector<uint8_t> candidates_;
};

// One palette index per pixel, rows top-down with `width` bytes each. Nothing when the
// rows are invalid, the palette is empty or has more than 256 entries, or memory runs out.
std::optional<std::vector<uint8_t>> mapToPalette(const PixelRows& rows, const Palette& palette);

}  // namespace tesselon
