#include <png.h>
#include <zlib.h>

#include <new>
#include <vector>

#include "runtime/imaging/byte_sink.h"
#include "runtime/imaging/flattened_rows.h"
#include "runtime/imaging/indexed_pixels.h"
#include "runtime/imaging/png_codec.h"
#include "runtime/imaging/png_metadata.h"
#include "runtime/imaging/png_structs.h"

namespace tesselon {

namespace {

constexpr size_t kZlibBufferSize = 256 * 1024;

// How hard libpng works.
struct PngCompression {
    int zlibLevel = 9;
    int filters = PNG_FILTER_NONE;
    int zlibStrategy = Z_DEFAULT_STRATEGY;
};

PngCompression compressionFor(EncodeEffort effort) {
    if (effort == EncodeEffort::Quick) return {4, PNG_ALL_FILTERS, Z_FILTERED};
    return {};
}

void pngWrite(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    if (!appendBytes(*out, data, length)) png_error(png, "out of memory");
}

void pngFlush(png_structp) {}

struct PngPlan {
    int width = 0;
    int height = 0;
    int bitDepth = 8;
    int colourType = PNG_COLOR_TYPE_RGB;
    bool dropFourthByte = false;     // 32-bit rows written as RGB
    const png_color* palette = nullptr;
    int paletteSize = 0;
    const png_byte* alphas = nullptr;  // of the first palette entries
    int alphaCount = 0;
    png_bytepp rows = nullptr;       // top row first
    PngCompression compression;
    const std::string* icc = nullptr;
};

// The setjmp frame: nothing in it has a destructor, so libpng's longjmp on an error
// skips no C++ clean-up.
bool writePng(png_structp png, png_infop info, std::string* out, const PngPlan* plan) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, pngWrite, pngFlush);
    png_set_IHDR(png, info, png_uint_32(plan->width), png_uint_32(plan->height), plan->bitDepth, plan->colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, plan->compression.filters);
    png_set_compression_level(png, plan->compression.zlibLevel);
    png_set_compression_strategy(png, plan->compression.zlibStrategy);
    png_set_compression_buffer_size(png, kZlibBufferSize);
    if (plan->palette) png_set_PLTE(png, info, plan->palette, plan->paletteSize);
    if (plan->alphaCount) png_set_tRNS(png, info, plan->alphas, plan->alphaCount, nullptr);
    if (plan->icc) writePngIccProfile(png, info, *plan->icc);
    png_write_info(png, info);
    if (plan->palette) {
        if (plan->bitDepth < 8) png_set_packing(png);
    } else {
        png_set_bgr(png);
        if (plan->dropFourthByte) png_set_filler(png, 0, PNG_FILLER_AFTER);
    }
    png_write_image(png, plan->rows);
    png_write_end(png, nullptr);
    return true;
}

// The image's own colours and alpha when they fit in 2^depth entries. Otherwise the
// learned palette; at depth 1, black and white after laying the pixels over white.
std::optional<IndexedPixels> indexedFor(const PixelRows& rows, int depth) {
    if (depth > 1) return indexPixels(rows, 1 << depth, ColourReduction::NeuQuant);
    if (std::optional<IndexedPixels> exact = indexExactly(rows, 2)) return exact;
    std::optional<FlattenedRows> flat;
    if (rows.bytesPerPixel == 4) {
        flat = flattenRowsOntoWhite(rows);
        if (!flat) return std::nullopt;
    }
    IndexedPixels image;
    image.palette = blackAndWhitePalette();
    std::optional<std::vector<uint8_t>> mapped = mapToPalette(flat ? flat->rows() : rows, image.palette);
    if (!mapped) return std::nullopt;
    image.indices = std::move(*mapped);
    return image;
}

}  // namespace

std::optional<std::string> encodePng(const PixelRows& rows, const EncodeOptions& options) {
    const int depth = options.depth;
    const bool indexed = depth == 1 || depth == 2 || depth == 4 || depth == 8;
    if (!rows.valid() || (!indexed && depth != 16 && depth != 24 && depth != 32)) return std::nullopt;
    try {
        PngPlan plan;
        plan.compression = compressionFor(options.effort);
        if (options.metadata) plan.icc = &options.metadata->icc;
        plan.width = rows.width;
        plan.height = rows.height;
        std::vector<png_bytep> rowPointers(size_t(rows.height));
        std::optional<IndexedPixels> image;
        std::vector<png_color> colours;
        std::vector<png_byte> alphas;
        if (indexed) {
            image = indexedFor(rows, depth);
            if (!image) return std::nullopt;
            for (const PaletteColour& c : image->palette) colours.push_back({c.red, c.green, c.blue});
            for (int i = 0; i < image->translucentEntries(); ++i) alphas.push_back(image->palette[size_t(i)].alpha);
            plan.bitDepth = depth;
            plan.colourType = PNG_COLOR_TYPE_PALETTE;
            plan.palette = colours.data();
            plan.paletteSize = int(colours.size());
            plan.alphas = alphas.data();
            plan.alphaCount = int(alphas.size());
            for (int y = 0; y < rows.height; ++y) {
                rowPointers[size_t(y)] = image->indices.data() + size_t(y) * size_t(rows.width);
            }
        } else {
            const bool alpha = rows.bytesPerPixel == 4 && depth == 32;
            plan.colourType = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
            plan.dropFourthByte = rows.bytesPerPixel == 4 && !alpha;
            // libpng copies each row before transforming it, so the caller's pixels stay untouched.
            for (int y = 0; y < rows.height; ++y) rowPointers[size_t(y)] = const_cast<png_bytep>(rows.row(y));
        }
        plan.rows = rowPointers.data();

        PngWriteStruct writer;
        if (!writer.valid()) return std::nullopt;
        std::string out;
        if (!writePng(writer.png(), writer.info(), &out, &plan)) return std::nullopt;
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace tesselon
