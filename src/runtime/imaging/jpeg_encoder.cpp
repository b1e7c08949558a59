#include "runtime/imaging/jpeg_errors.h"

#include <jerror.h>

#include <memory>
#include <new>
#include <vector>

#include "runtime/imaging/byte_sink.h"
#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/jpeg_metadata.h"

namespace tesselon {

namespace {

constexpr size_t kOutputChunk = 64 * 1024;

struct MemoryDestination {
    jpeg_destination_mgr base;
    std::string* out;
    JOCTET buffer[kOutputChunk];
};

MemoryDestination* destinationOf(j_compress_ptr cinfo) {
    return reinterpret_cast<MemoryDestination*>(cinfo->dest);
}

void destinationInit(j_compress_ptr cinfo) {
    MemoryDestination* d = destinationOf(cinfo);
    d->base.next_output_byte = d->buffer;
    d->base.free_in_buffer = kOutputChunk;
}

boolean destinationEmpty(j_compress_ptr cinfo) {
    MemoryDestination* d = destinationOf(cinfo);
    if (!appendBytes(*d->out, d->buffer, kOutputChunk)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    d->base.next_output_byte = d->buffer;
    d->base.free_in_buffer = kOutputChunk;
    return TRUE;
}

void destinationTerm(j_compress_ptr cinfo) {
    MemoryDestination* d = destinationOf(cinfo);
    if (!appendBytes(*d->out, d->buffer, kOutputChunk - d->base.free_in_buffer)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
}

// libjpeg's compression state with everything it points to, released in every case.
struct JpegCompressor {
    jpeg_compress_struct cinfo{};
    JpegErrorManager errors{};
    MemoryDestination destination{};
    bool created = false;

    JpegCompressor() = default;
    JpegCompressor(const JpegCompressor&) = delete;
    JpegCompressor& operator=(const JpegCompressor&) = delete;
    ~JpegCompressor() {
        if (created) jpeg_destroy_compress(&cinfo);
    }
};

// The setjmp frame: nothing in it has a destructor, so the longjmp of a libjpeg error
// skips no C++ clean-up.
bool compress(JpegCompressor* c, const PixelRows* rows, JSAMPARRAY rowPointers, int quality,
              const EmbeddedMetadata* metadata, std::string* out) {
    if (setjmp(c->errors.jump)) return false;
    c->cinfo.err = initJpegErrors(c->errors);
    jpeg_create_compress(&c->cinfo);
    c->created = true;
    c->destination.base.init_destination = destinationInit;
    c->destination.base.empty_output_buffer = destinationEmpty;
    c->destination.base.term_destination = destinationTerm;
    c->destination.out = out;
    c->cinfo.dest = &c->destination.base;
    c->cinfo.image_width = JDIMENSION(rows->width);
    c->cinfo.image_height = JDIMENSION(rows->height);
    c->cinfo.input_components = rows->bytesPerPixel;
    c->cinfo.in_color_space = rows->bytesPerPixel == 4 ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&c->cinfo);
    jpeg_set_quality(&c->cinfo, quality, TRUE);
    jpeg_start_compress(&c->cinfo, TRUE);
    if (metadata) writeJpegMetadata(&c->cinfo, *metadata);
    while (c->cinfo.next_scanline < c->cinfo.image_height) {
        const JDIMENSION line = c->cinfo.next_scanline;
        jpeg_write_scanlines(&c->cinfo, rowPointers + line, c->cinfo.image_height - line);
    }
    jpeg_finish_compress(&c->cinfo);
    return true;
}

}  // namespace

std::optional<std::string> encodeJpeg(const PixelRows& rows, const EncodeOptions& options) {
    if (!rows.valid()) return std::nullopt;
    try {
        std::vector<JSAMPROW> rowPointers(size_t(rows.height));
        // libjpeg only reads the rows; its API just lacks the const.
        for (int y = 0; y < rows.height; ++y) rowPointers[size_t(y)] = const_cast<JSAMPROW>(rows.row(y));
        std::string out;
        auto compressor = std::make_unique<JpegCompressor>();  // holds a 64 KiB buffer
        if (!compress(compressor.get(), &rows, rowPointers.data(), options.quality.value(), options.metadata, &out)) {
            return std::nullopt;
        }
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace tesselon
