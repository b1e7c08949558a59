// Pixels as indices into a palette of at most 256 entries, for the palette formats.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/imaging/palette_quantizer.h"
#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

struct IndexedPixels {
    // Entries with alpha below 255 come first, so a PNG's transparency chunk lists only
    // those. All fully transparent pixels share one entry, transparent black.
    Palette palette;
    std::vector<uint8_t> indices;  // one per pixel, rows top-down, `width` bytes each

    // The entry of the fully transparent pixels, or -1 when there are none.
    int transparentIndex() const;
    // How many leading entries have alpha below 255.
    int translucentEntries() const;
};

// The image's own colours (24-bit rows are opaque) when there are no more than
// `maxEntries` of them: every pixel keeps its exact colour and alpha. Nothing when there
// are more, or memory runs out.
std::optional<IndexedPixels> indexExactly(const PixelRows& rows, int maxEntries);

// How colours are chosen when there are too many of them.
enum class ColourReduction {
    // The learning network: the palette depth of a saved image. It sees colours only,
    // so an image with translucent pixels is reduced by median cut all the same.
    NeuQuant,
    MedianCut,  // reducePalette
};

// indexExactly when the colours fit; otherwise fully transparent pixels keep an entry of
// their own and the others are reduced to the remaining entries (2..256 in all) and
// mapped to their nearest one. Nothing on failure.
std::optional<IndexedPixels> indexPixels(const PixelRows& rows, int maxEntries, ColourReduction reduction);

}  // namespace tesselon
