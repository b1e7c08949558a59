#include "runtime/imaging/jpeg_errors.h"

#include <jerror.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/pixel_allocation.h"

namespace tesselon {

namespace {

// The whole file is in memory from the start, so a request for more input means the
// data ended before the image did.
void sourceInit(j_decompress_ptr) {}
boolean sourceFill(j_decompress_ptr cinfo) {
    ERREXIT(cinfo, JERR_INPUT_EOF);
    return FALSE;
}
void sourceSkip(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    if (size_t(count) > cinfo->src->bytes_in_buffer) ERREXIT(cinfo, JERR_INPUT_EOF);
    cinfo->src->next_input_byte += count;
    cinfo->src->bytes_in_buffer -= size_t(count);
}
void sourceTerm(j_decompress_ptr) {}

struct ScanLimit {
    jpeg_progress_mgr base;
    int maxScans;
};

void checkScanCount(j_common_ptr cinfo) {
    const auto* limit = reinterpret_cast<const ScanLimit*>(cinfo->progress);
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > limit->maxScans) {
        ERREXIT(cinfo, JERR_NOTIMPL);
    }
}

// libjpeg's decompression state with everything it points to, released in every case.
struct JpegDecompressor {
    jpeg_decompress_struct cinfo{};
    JpegErrorManager errors{};
    jpeg_source_mgr source{};
    ScanLimit scanLimit{};
    bool created = false;

    JpegDecompressor() = default;
    JpegDecompressor(const JpegDecompressor&) = delete;
    JpegDecompressor& operator=(const JpegDecompressor&) = delete;
    ~JpegDecompressor() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

struct JpegHeader {
    int width = 0;
    int height = 0;
    int components = 0;  // in the file
    bool cmyk = false;   // rows come out as CMYK and are converted here
    bool inverted = false;
};

// The functions below hold the setjmp frames: nothing in them has a destructor, so the
// longjmp of a libjpeg error skips no C++ clean-up.

// Reads the header into d: false when it cannot be read or the image is larger than
// the limits allow.
bool readHeader(JpegDecompressor* d, const uint8_t* data, size_t size, const DecodeLimits* limits,
                JpegHeader* header) {
    if (setjmp(d->errors.jump)) return false;
    d->cinfo.err = initJpegErrors(d->errors);
    jpeg_create_decompress(&d->cinfo);
    d->created = true;
    d->cinfo.mem->max_memory_to_use = long(limits->maxCodecMemory);
    d->source.init_source = sourceInit;
    d->source.fill_input_buffer = sourceFill;
    d->source.skip_input_data = sourceSkip;
    d->source.resync_to_restart = jpeg_resync_to_restart;
    d->source.term_source = sourceTerm;
    d->source.next_input_byte = data;
    d->source.bytes_in_buffer = size;
    d->cinfo.src = &d->source;
    d->scanLimit.base.progress_monitor = checkScanCount;
    d->scanLimit.maxScans = limits->maxJpegScans;
    d->cinfo.progress = &d->scanLimit.base;

    jpeg_read_header(&d->cinfo, TRUE);
    if (!imageSizeAllowed(d->cinfo.image_width, d->cinfo.image_height, limits->maxPixels)) return false;
    header->components = d->cinfo.num_components;
    header->cmyk = d->cinfo.jpeg_color_space == JCS_CMYK || d->cinfo.jpeg_color_space == JCS_YCCK;
    header->inverted = header->cmyk && d->cinfo.saw_Adobe_marker;
    d->cinfo.out_color_space = header->cmyk ? JCS_CMYK : JCS_EXT_BGR;
    return true;
}

bool startDecompress(JpegDecompressor* d, const uint8_t* data, size_t size, const DecodeLimits* limits,
                     JpegHeader* header) {
    if (!readHeader(d, data, size, limits, header)) return false;
    if (setjmp(d->errors.jump)) return false;
    jpeg_start_decompress(&d->cinfo);
    header->width = int(d->cinfo.output_width);
    header->height = int(d->cinfo.output_height);
    return d->cinfo.output_components == (header->cmyk ? 4 : 3);
}

// Every component's DC coefficients have come, if only roughly: enough for a picture
// at an eighth of the size, and a fair one at a quarter or a half.
bool firstScansIn(const jpeg_decompress_struct& cinfo) {
    if (cinfo.coef_bits == nullptr) return false;
    for (int c = 0; c < cinfo.num_components; ++c) {
        if (cinfo.coef_bits[c][0] < 0) return false;
    }
    return true;
}

// The progressive file's first scans, read in buffered-image mode and made ready for
// output at 1/denominator of the size. False for a file of one scan.
bool startFirstScans(JpegDecompressor* d, const uint8_t* data, size_t size, const DecodeLimits* limits,
                     int longSide, JpegHeader* header) {
    if (!readHeader(d, data, size, limits, header)) return false;
    if (setjmp(d->errors.jump)) return false;
    jpeg_decompress_struct* cinfo = &d->cinfo;
    if (!jpeg_has_multiple_scans(cinfo)) return false;
    const unsigned longer = std::max(cinfo->image_width, cinfo->image_height);
    unsigned denominator = 8;
    while (denominator > 1 && (longer + denominator - 1) / denominator < unsigned(longSide)) denominator /= 2;
    if (denominator == 1) return false;
    cinfo->scale_num = 1;
    cinfo->scale_denom = denominator;
    cinfo->buffered_image = TRUE;
    jpeg_start_decompress(cinfo);
    for (;;) {
        const int status = jpeg_consume_input(cinfo);
        if (status == JPEG_REACHED_EOI || status == JPEG_SUSPENDED) break;
        if (status == JPEG_SCAN_COMPLETED && firstScansIn(*cinfo)) break;
    }
    if (!firstScansIn(*cinfo)) return false;
    jpeg_start_output(cinfo, cinfo->input_scan_number);
    header->width = int(cinfo->output_width);
    header->height = int(cinfo->output_height);
    return cinfo->output_components == (header->cmyk ? 4 : 3);
}

inline uint8_t scaleByte(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

// Adobe's files store CMYK inverted (0 = full ink); others store ink amounts.
void cmykRowToBgr(const uint8_t* cmyk, uint8_t* bgr, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        }
        bgr[0] = scaleByte(y, k);
        bgr[1] = scaleByte(m, k);
        bgr[2] = scaleByte(c, k);
    }
}

// Reads the output rows up to `until` (exclusive); rows[0] receives the row at which the
// decompression stands when called.
bool readRows(JpegDecompressor* d, JSAMPARRAY rows, JDIMENSION until, uint8_t* cmykRow, bool inverted) {
    if (setjmp(d->errors.jump)) return false;
    jpeg_decompress_struct* cinfo = &d->cinfo;
    const JDIMENSION start = cinfo->output_scanline;
    while (cinfo->output_scanline < until) {
        const JDIMENSION line = cinfo->output_scanline - start;
        if (cmykRow) {
            JSAMPROW row = cmykRow;
            if (jpeg_read_scanlines(cinfo, &row, 1) != 1) return false;
            cmykRowToBgr(cmykRow, rows[line], int(cinfo->output_width), inverted);
        } else if (jpeg_read_scanlines(cinfo, rows + line, until - cinfo->output_scanline) == 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool probeJpeg(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

namespace {

// Reads the output rows of a started decompression into a new image.
std::optional<ImageObject> readImage(JpegDecompressor& decompressor, const JpegHeader& header,
                                     const DecodeLimits& limits) {
    std::optional<ImageObject> image =
        allocateImageToOverwrite(header.width, header.height, 24, limits.pool, limits.maxPixels);
    if (!image) return std::nullopt;
    image->sourceDepth = uint8_t(8 * header.components);
    std::vector<JSAMPROW> rows;
    std::vector<uint8_t> cmykRow;
    try {
        rows.resize(size_t(header.height));
        if (header.cmyk) cmykRow.resize(size_t(header.width) * 4);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    // Rows go straight into the bottom-up buffer, top row first.
    for (int y = 0; y < header.height; ++y) rows[size_t(y)] = image->row(y);
    if (!readRows(&decompressor, rows.data(), JDIMENSION(header.height), header.cmyk ? cmykRow.data() : nullptr,
                  header.inverted)) {
        return std::nullopt;
    }
    return image;
}

}  // namespace

std::optional<ImageObject> decodeJpeg(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    if (!probeJpeg(data, size)) return std::nullopt;
    JpegDecompressor decompressor;
    JpegHeader header;
    if (!startDecompress(&decompressor, data, size, &limits, &header)) return std::nullopt;
    return readImage(decompressor, header, limits);
}

struct JpegBandReader::State {
    JpegDecompressor decompressor;
    JpegHeader header;
    std::vector<JSAMPROW> rows;
    std::vector<uint8_t> cmykRow;
};

JpegBandReader::JpegBandReader(std::unique_ptr<State> state) : state_(std::move(state)) {}
JpegBandReader::JpegBandReader(JpegBandReader&&) noexcept = default;
JpegBandReader& JpegBandReader::operator=(JpegBandReader&&) noexcept = default;
JpegBandReader::~JpegBandReader() = default;

std::optional<JpegBandReader> JpegBandReader::open(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    if (!probeJpeg(data, size)) return std::nullopt;
    try {
        auto state = std::make_unique<State>();
        if (!startDecompress(&state->decompressor, data, size, &limits, &state->header)) return std::nullopt;
        // What decodeJpeg would allocate for the whole picture must be allowed too.
        if (!imageSizeAllowed(state->header.width, state->header.height, limits.maxPixels)) return std::nullopt;
        if (state->header.cmyk) state->cmykRow.resize(size_t(state->header.width) * 4);
        return JpegBandReader(std::move(state));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

int JpegBandReader::width() const { return state_->header.width; }
int JpegBandReader::height() const { return state_->header.height; }
uint8_t JpegBandReader::sourceDepth() const { return uint8_t(8 * state_->header.components); }
int JpegBandReader::nextRow() const { return int(state_->decompressor.cinfo.output_scanline); }

bool JpegBandReader::read(ImageObject& band, int count) {
    State& s = *state_;
    if (band.width != s.header.width || band.depth != 24 || count < 0 || count > band.height ||
        count > height() - nextRow())
        return false;
    try {
        s.rows.resize(size_t(count));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int y = 0; y < count; ++y) s.rows[size_t(y)] = band.row(y);
    return readRows(&s.decompressor, s.rows.data(), JDIMENSION(nextRow() + count),
                    s.header.cmyk ? s.cmykRow.data() : nullptr, s.header.inverted);
}

std::optional<ImageObject> decodeJpegFirstScans(const uint8_t* data, size_t size, const DecodeLimits& limits,
                                                int longSide) {
    if (!probeJpeg(data, size)) return std::nullopt;
    JpegDecompressor decompressor;
    JpegHeader header;
    if (!startFirstScans(&decompressor, data, size, &limits, longSide, &header)) return std::nullopt;
    std::optional<ImageObject> image = readImage(decompressor, header, limits);
    if (image) image->format = kFormatJPEG;
    return image;
}

}  // namespace tesselon
