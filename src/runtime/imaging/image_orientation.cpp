#include "runtime/imaging/image_orientation.h"

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

}  // namespace

bool orientUpright(ImageObject& image, int orientation) {
    if (orientation < 2 || orientation > 8 || !image.valid() || image.frameCount > 1) return true;
    const bool swapped = orientation >= 5;
    const int width = swapped ? image.height : image.width;
    const int height = swapped ? image.width : image.height;
    std::optional<ImageObject> upright = allocateImage(width, height, image.depth);
    if (!upright) return false;
    const int bpp = image.bytesPerPixel();
    auto storedAddress = [&](Point p) { return image.row(p.y) + ptrdiff_t(p.x) * bpp; };
    for (int y = 0; y < height; ++y) {
        // Along an upright row the stored pixel moves by a fixed step: a pixel or a row.
        const uint8_t* source = storedAddress(storedPixelOf(orientation, 0, y, image.width, image.height));
        const ptrdiff_t step =
            width > 1 ? storedAddress(storedPixelOf(orientation, 1, y, image.width, image.height)) - source : 0;
        uint8_t* target = upright->row(y);
        for (int x = 0; x < width; ++x, source += step, target += bpp) std::memcpy(target, source, size_t(bpp));
    }
    upright->sourceDepth = image.sourceDepth;
    upright->format = image.format;
    image = std::move(*upright);
    return true;
}

}  // namespace tesselon
