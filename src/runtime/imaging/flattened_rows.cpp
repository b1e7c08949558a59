#include "runtime/imaging/flattened_rows.h"

#include <new>

namespace tesselon {

namespace {

std::optional<FlattenedRows> flattenRows(const PixelRows& rows, int bytesPerPixel) {
    if (!rows.valid() || rows.bytesPerPixel != 4) return std::nullopt;
    FlattenedRows flat;
    const size_t pitch = size_t(rows.width) * size_t(bytesPerPixel);
    try {
        flat.pixels.resize(pitch * size_t(rows.height));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    for (int y = 0; y < rows.height; ++y) {
        const uint8_t* s = rows.row(y);
        uint8_t* d = flat.pixels.data() + size_t(y) * pitch;
        for (int x = 0; x < rows.width; ++x, s += 4, d += bytesPerPixel) {
            const uint8_t a = s[3];
            if (bytesPerPixel == 4 && a == 0) {
                for (int c = 0; c < 4; ++c) d[c] = s[c];
                continue;
            }
            for (int c = 0; c < 3; ++c) d[c] = overWhite(s[c], a);
            if (bytesPerPixel == 4) d[3] = 255;
        }
    }
    flat.view = PixelRows{flat.pixels.data(), rows.width, rows.height, pitch, bytesPerPixel, false};
    return flat;
}

}  // namespace

std::optional<FlattenedRows> flattenRowsOntoWhite(const PixelRows& rows) { return flattenRows(rows, 3); }

std::optional<FlattenedRows> flattenPartialAlphaOntoWhite(const PixelRows& rows) { return flattenRows(rows, 4); }

namespace {

// Whether any pixel's alpha is one the predicate picks.
template <typename Pick>
bool anyAlpha(const PixelRows& rows, Pick pick) {
    if (rows.bytesPerPixel != 4) return false;
    for (int y = 0; y < rows.height; ++y) {
        const uint8_t* p = rows.row(y) + 3;
        for (int x = 0; x < rows.width; ++x, p += 4) {
            if (pick(*p)) return true;
        }
    }
    return false;
}

}  // namespace

bool hasPartialAlpha(const PixelRows& rows) {
    return anyAlpha(rows, [](uint8_t alpha) { return uint8_t(alpha - 1) < 254; });
}

bool hasTransparency(const PixelRows& rows) {
    return anyAlpha(rows, [](uint8_t alpha) { return alpha != 255; });
}

}  // namespace tesselon
