#include <png.h>

#include <cstring>
#include <new>
#include <vector>

#include "runtime/imaging/pixel_allocation.h"
#include "runtime/imaging/png_codec.h"
#include "runtime/imaging/png_structs.h"

namespace tesselon {

namespace {

struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int channels = 0;  // after the transformations
    size_t rowBytes = 0;
};

// The two functions below hold the setjmp frames: nothing in them has a destructor, so
// libpng's longjmp on an error skips no C++ clean-up.

bool readHeader(png_structp png, png_infop info, MemorySource* source, PngHeader* header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, source, pngReadFromMemory);
    png_set_user_limits(png, kMaxImageDimension, kMaxImageDimension);
    png_set_chunk_malloc_max(png, kMaxPngChunkBytes);
    png_read_info(png, info);

    int interlace = 0;
    png_get_IHDR(png, info, &header->width, &header->height, &header->bitDepth, &header->colourType, &interlace,
                 nullptr, nullptr);
    if (header->colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (header->colourType == PNG_COLOR_TYPE_GRAY && header->bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (header->bitDepth == 16) png_set_scale_16(png);
    if (!(header->colourType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->channels = png_get_channels(png, info);
    header->rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool readRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    return true;
}

}  // namespace

bool probePng(const uint8_t* data, size_t size) {
    return size >= 8 && png_sig_cmp(data, 0, 8) == 0;
}

std::optional<ImageObject> decodePng(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    if (!probePng(data, size)) return std::nullopt;
    PngReadStruct reader;
    if (!reader.valid()) return std::nullopt;
    MemorySource source{data, size};
    PngHeader header;
    if (!readHeader(reader.png(), reader.info(), &source, &header)) return std::nullopt;
    if (!imageSizeAllowed(header.width, header.height, limits.maxPixels)) return std::nullopt;
    if ((header.channels != 3 && header.channels != 4) || header.rowBytes != size_t(header.width) * header.channels) {
        return std::nullopt;
    }

    std::optional<ImageObject> image =
        allocateImageToOverwrite(int(header.width), int(header.height), header.channels == 4 ? 32 : 24,
                                 limits.pool, limits.maxPixels);
    if (!image) return std::nullopt;
    const bool trueColour = header.colourType == PNG_COLOR_TYPE_RGB || header.colourType == PNG_COLOR_TYPE_RGB_ALPHA;
    image->sourceDepth = trueColour ? (header.colourType == PNG_COLOR_TYPE_RGB ? 24 : 32) : uint8_t(header.bitDepth);

    std::vector<png_bytep> rows;
    try {
        rows.resize(header.height);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    for (int y = 0; y < int(header.height); ++y) rows[size_t(y)] = image->row(y);
    if (!readRows(reader.png(), rows.data())) return std::nullopt;
    return image;
}

}  // namespace tesselon
