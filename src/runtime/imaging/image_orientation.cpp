#include "runtime/imaging/image_orientation.h"

#include <algorithm>
#include <cstring>

#include "runtime/imaging/pixel_allocation.h"

namespace tesselon {

namespace {

struct Point {
    int x;
    int y;
};

// The stored pixel that shows at (x, y) of the upright image; both counted from the top
// left. `w` and `h` are the stored image's size.
Point storedPixelOf(int orientation, int x, int y, int w, int h) {
    switch (orientation) {
    case 2: return {w - 1 - x, y};
    case 3: return {w - 1 - x, h - 1 - y};
    case 4: return {x, h - 1 - y};
    case 5: return {y, x};
    case 6: return {y, h - 1 - x};
    case 7: return {w - 1 - y, h - 1 - x};
    case 8: return {w - 1 - y, x};
    default: return {x, y};
    }
}

// Fills `upright` from the stored pixel of each of its pixels. A quarter turn walks
// stored columns, so it goes in square tiles that stay within the cache; mirrors walk
// whole rows. The pixel size is a constant so that each copy is a plain move.
template <int kBytes>
void copyTurned(ImageObject& upright, const uint8_t* origin, ptrdiff_t stepX, ptrdiff_t stepY) {
    const int width = upright.width;
    const int height = upright.height;
    const bool alongRows = stepX == kBytes || stepX == -kBytes;
    const int tileWidth = alongRows ? width : 64;
    const int tileHeight = alongRows ? height : 64;
    for (int ty = 0; ty < height; ty += tileHeight) {
        for (int tx = 0; tx < width; tx += tileWidth) {
            const int endX = std::min(width, tx + tileWidth);
            for (int y = ty; y < std::min(height, ty + tileHeight); ++y) {
                const uint8_t* source = origin + ptrdiff_t(tx) * stepX + ptrdiff_t(y) * stepY;
                uint8_t* target = upright.row(y) + ptrdiff_t(tx) * kBytes;
                for (int x = tx; x < endX; ++x, source += stepX, target += kBytes) std::memcpy(target, source, kBytes);
            }
        }
    }
}

}  // namespace

bool orientUpright(ImageObject& image, int orientation) {
    if (orientation < 2 || orientation > 8 || !image.valid() || image.frameCount > 1) return true;
    const bool swapped = orientation >= 5;
    const int width = swapped ? image.height : image.width;
    const int height = swapped ? image.width : image.height;
    std::optional<ImageObject> upright = allocateImage(width, height, image.depth);
    if (!upright) return false;
    const int bpp = image.bytesPerPixel();
    // The stored address is affine in the upright coordinates: origin + x * stepX + y * stepY.
    auto storedAddress = [&](int x, int y) {
        const Point p = storedPixelOf(orientation, x, y, image.width, image.height);
        return image.row(p.y) + ptrdiff_t(p.x) * bpp;
    };
    const uint8_t* origin = storedAddress(0, 0);
    const ptrdiff_t stepX = width > 1 ? storedAddress(1, 0) - origin : 0;
    const ptrdiff_t stepY = height > 1 ? storedAddress(0, 1) - origin : 0;
    if (bpp == 4) {
        copyTurned<4>(*upright, origin, stepX, stepY);
    } else {
        copyTurned<3>(*upright, origin, stepX, stepY);
    }
    upright->sourceDepth = image.sourceDepth;
    upright->format = image.format;
    image = std::move(*upright);
    return true;
}

}  // namespace tesselon
