#include "runtime/drawing/cairo_image.h"

#include <cstring>

namespace tesselon {

namespace {

uint8_t premultiply(uint8_t c, uint8_t a) {
    return uint8_t((unsigned(c) * a + 127) / 255);
}

uint8_t unpremultiply(unsigned c, unsigned a) {
    const unsigned v = (c * 255 + a / 2) / a;
    return uint8_t(v > 255 ? 255 : v);
}

uint32_t loadPixel(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void storePixel(unsigned char* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

bool matches(const cairo_surface_t* surface, const ImageObject& image) {
    cairo_surface_t* s = const_cast<cairo_surface_t*>(surface);
    const cairo_format_t want = image.depth == 32 ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24;
    return image.valid() && cairo_surface_status(s) == CAIRO_STATUS_SUCCESS &&
           cairo_surface_get_type(s) == CAIRO_SURFACE_TYPE_IMAGE && cairo_image_surface_get_format(s) == want &&
           cairo_image_surface_get_width(s) == image.width && cairo_image_surface_get_height(s) == image.height;
}

}  // namespace

uint32_t premultipliedPixel(uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
    return (uint32_t(a) << 24) | (uint32_t(premultiply(r, a)) << 16) | (uint32_t(premultiply(g, a)) << 8) |
           premultiply(b, a);
}

CairoSurface surfaceFromImage(const ImageObject& image) {
    if (!image.valid() || (image.depth != 24 && image.depth != 32))
        return nullptr;
    const bool withAlpha = image.depth == 32;
    CairoSurface surface(
        cairo_image_surface_create(withAlpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, image.width, image.height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* src = image.row(y);
        unsigned char* dst = data + size_t(y) * stride;
        if (withAlpha) {
            for (int x = 0; x < image.width; ++x, src += 4, dst += 4)
                storePixel(dst, premultipliedPixel(src[0], src[1], src[2], src[3]));
        } else {
            for (int x = 0; x < image.width; ++x, src += 3, dst += 4)
                storePixel(dst, 0xFF000000u | (uint32_t(src[2]) << 16) | (uint32_t(src[1]) << 8) | src[0]);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

bool writeSurfaceToImage(cairo_surface_t* surface, ImageObject& image) {
    if (!surface || !matches(surface, image))
        return false;
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const bool withAlpha = image.depth == 32;
    for (int y = 0; y < image.height; ++y) {
        const unsigned char* src = data + size_t(y) * stride;
        uint8_t* dst = image.row(y);
        if (withAlpha) {
            for (int x = 0; x < image.width; ++x, src += 4, dst += 4) {
                const uint32_t v = loadPixel(src);
                if (v == premultipliedPixel(dst[0], dst[1], dst[2], dst[3]))
                    continue;
                const unsigned a = v >> 24;
                if (a == 0) {
                    dst[0] = dst[1] = dst[2] = dst[3] = 0;
                    continue;
                }
                dst[0] = unpremultiply(v & 0xFF, a);
                dst[1] = unpremultiply((v >> 8) & 0xFF, a);
                dst[2] = unpremultiply((v >> 16) & 0xFF, a);
                dst[3] = uint8_t(a);
            }
        } else {
            for (int x = 0; x < image.width; ++x, src += 4, dst += 3) {
                const uint32_t v = loadPixel(src);
                dst[0] = uint8_t(v);
                dst[1] = uint8_t(v >> 8);
                dst[2] = uint8_t(v >> 16);
            }
        }
    }
    return true;
}

}  // namespace tesselon
