// 32-bit rows laid over white, for formats without alpha or with only full transparency.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

// A colour byte c with alpha a over white: floor((255 * 255 + (c - 255) * a) / 255), so
// opaque pixels keep their colour and transparent ones turn white.
inline uint8_t overWhite(uint8_t colour, uint8_t alpha) {
    return uint8_t((255 * 255 + (int(colour) - 255) * int(alpha)) / 255);
}

// Owns top-down rows; rows() views them.
struct FlattenedRows {
    std::vector<uint8_t> pixels;
    PixelRows view;
    const PixelRows& rows() const { return view; }
};

// 24-bit rows: every pixel laid over white. Nothing when the rows are invalid, not
// 32-bit, or memory runs out.
std::optional<FlattenedRows> flattenRowsOntoWhite(const PixelRows& rows);

// 32-bit rows where only full transparency is left: pixels of alpha 0 stay as they are,
// every other pixel is laid over white and made opaque. Nothing as above.
std::optional<FlattenedRows> flattenPartialAlphaOntoWhite(const PixelRows& rows);

// Whether any pixel of 32-bit rows has an alpha strictly between 0 and 255.
bool hasPartialAlpha(const PixelRows& rows);

// Whether any pixel of 32-bit rows is not opaque; 24-bit rows never are.
bool hasTransparency(const PixelRows& rows);

}  // namespace tesselon
