// 32-bit rows laid over white, for formats without alpha.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

// Owns 24-bit top-down rows; rows() views them.
struct FlattenedRows {
    std::vector<uint8_t> pixels;
    PixelRows view;
    const PixelRows& rows() const { return view; }
};

// Each colour byte c with alpha a becomes floor((255 * 255 + (c - 255) * a) / 255), the
// same blend the imaging service uses, so transparent areas turn white. Nothing when
// the rows are invalid, not 32-bit, or memory runs out.
std::optional<FlattenedRows> flattenRowsOntoWhite(const PixelRows& rows);

}  // namespace tesselon
