// Moving pixels between an ImageObject and a cairo image surface.
//
// cairo keeps rows top-down and 32-bit pixels premultiplied; the image keeps rows
// bottom-up with straight alpha (or 3-byte pixels). 24-bit images become RGB24 surfaces.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>

#include "runtime/imaging/image_object.h"

namespace tesselon {

struct CairoSurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct CairoContextDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;
using CairoContext = std::unique_ptr<cairo_t, CairoContextDeleter>;

// A new surface holding a copy of the image; empty when the image is not a valid
// 24- or 32-bit bitmap or cairo cannot allocate the surface.
CairoSurface surfaceFromImage(const ImageObject& image);

// Copies the surface (made by surfaceFromImage from this image) back into the image.
// A 32-bit pixel whose premultiplied value is unchanged keeps its stored straight
// colour exactly, so undrawn pixels survive even where premultiplying loses precision.
bool writeSurfaceToImage(cairo_surface_t* surface, ImageObject& image);

// Premultiplied ARGB32 value as cairo stores it, from straight channels.
uint32_t premultipliedPixel(uint8_t b, uint8_t g, uint8_t r, uint8_t a);

}  // namespace tesselon
