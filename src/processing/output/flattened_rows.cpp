#include "processing/output/flattened_rows.h"

#include <new>

namespace tesselon {

std::optional<FlattenedRows> flattenRowsOntoWhite(const PixelRows& rows) {
    if (!rows.valid() || rows.bytesPerPixel != 4) return std::nullopt;
    FlattenedRows flat;
    const size_t pitch = size_t(rows.width) * 3;
    try {
        flat.pixels.resize(pitch * size_t(rows.height));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    for (int y = 0; y < rows.height; ++y) {
        const uint8_t* s = rows.row(y);
        uint8_t* d = flat.pixels.data() + size_t(y) * pitch;
        for (int x = 0; x < rows.width; ++x, s += 4, d += 3) {
            const int a = s[3];
            for (int c = 0; c < 3; ++c) d[c] = uint8_t((255 * 255 + (int(s[c]) - 255) * a) / 255);
        }
    }
    flat.view = PixelRows{flat.pixels.data(), rows.width, rows.height, pitch, 3, false};
    return flat;
}

}  // namespace tesselon
