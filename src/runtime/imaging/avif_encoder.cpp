#include <avif/avif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "runtime/imaging/avif_codec.h"
#include "runtime/imaging/embedded_metadata.h"
#include "runtime/imaging/flattened_rows.h"

namespace tesselon {

namespace {

// avifenc's default speed: far faster than libaom's own default, files a few percent
// larger.
constexpr int kEncoderSpeed = 6;

struct ImageRelease {
    void operator()(avifImage* image) const { avifImageDestroy(image); }
};
struct EncoderRelease {
    void operator()(avifEncoder* encoder) const { avifEncoderDestroy(encoder); }
};

// The encoded file, freed by libavif.
struct EncodedData {
    avifRWData data = AVIF_DATA_EMPTY;
    EncodedData() = default;
    EncodedData(const EncodedData&) = delete;
    EncodedData& operator=(const EncodedData&) = delete;
    ~EncodedData() { avifRWDataFree(&data); }
};

// Tiles are coded independently, which is what lets libaom spread one image over
// threads without changing a byte: the layout follows the image's size alone, never the
// threads at hand. Each tile keeps at least 512 pixels a side (smaller ones cost
// compression), at most four columns and two rows; a picture under 1024 pixels both
// ways stays one tile.
constexpr int kMinTileSide = 512;
constexpr int kMaxTileColumnsLog2 = 2;
constexpr int kMaxTileRowsLog2 = 1;

int tileLog2(int side, int maxLog2) {
    int log2 = 0;
    while (log2 < maxLog2 && (side >> (log2 + 1)) >= kMinTileSide) ++log2;
    return log2;
}

// libavif 1.0's mapping of a quality onto AV1's quantizer (63 worst, 0 lossless-like).
int quantizerFor(EncodeQuality quality) {
    return ((100 - quality.value()) * AVIF_QUANTIZER_WORST_QUALITY + 50) / 100;
}

}  // namespace

std::optional<std::string> encodeAvif(const PixelRows& rows, const EncodeOptions& options) {
    const EmbeddedMetadata* metadata = options.metadata;
    if (!rows.valid()) return std::nullopt;
    try {
        std::unique_ptr<avifImage, ImageRelease> image(
            avifImageCreate(uint32_t(rows.width), uint32_t(rows.height), 8, AVIF_PIXEL_FORMAT_YUV420));
        if (!image) return std::nullopt;
        // libavif reads rows top first with a positive stride: bottom-up rows are copied.
        const size_t rowBytes = size_t(rows.width) * size_t(rows.bytesPerPixel);
        std::vector<uint8_t> topDown;
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, image.get());
        rgb.depth = 8;
        rgb.format = rows.bytesPerPixel == 4 ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_BGR;
        rgb.ignoreAlpha = hasTransparency(rows) ? AVIF_FALSE : AVIF_TRUE;
        if (rows.bottomUp) {
            topDown.resize(rowBytes * size_t(rows.height));
            for (int y = 0; y < rows.height; ++y) std::memcpy(topDown.data() + size_t(y) * rowBytes, rows.row(y), rowBytes);
            rgb.pixels = topDown.data();
            rgb.rowBytes = uint32_t(rowBytes);
        } else {
            rgb.pixels = const_cast<uint8_t*>(rows.pixels);
            rgb.rowBytes = uint32_t(rows.pitch);
        }
        if (avifImageRGBToYUV(image.get(), &rgb) != AVIF_RESULT_OK) return std::nullopt;
        topDown = {};
        if (metadata) {
            const std::string_view tiff = tiffOfExifPayload(metadata->exif);
            // The orientation of the EXIF block also becomes the image's rotation and mirror.
            if (!tiff.empty())
                avifImageSetMetadataExif(image.get(), reinterpret_cast<const uint8_t*>(tiff.data()), tiff.size());
            if (isRgbIccProfile(metadata->icc))
                avifImageSetProfileICC(image.get(), reinterpret_cast<const uint8_t*>(metadata->icc.data()),
                                       metadata->icc.size());
        }
        std::unique_ptr<avifEncoder, EncoderRelease> encoder(avifEncoderCreate());
        if (!encoder) return std::nullopt;
        encoder->maxThreads = std::max(1, options.threads);
        encoder->speed = kEncoderSpeed;
        encoder->tileColsLog2 = tileLog2(rows.width, kMaxTileColumnsLog2);
        encoder->tileRowsLog2 = tileLog2(rows.height, kMaxTileRowsLog2);
        // libaom's row-based threading, which libavif turns on with a second thread,
        // codes the picture differently from one thread: the threads share out tiles only.
        avifEncoderSetCodecSpecificOption(encoder.get(), "row-mt", "0");
        encoder->minQuantizer = encoder->maxQuantizer = quantizerFor(options.quality);
        encoder->minQuantizerAlpha = encoder->maxQuantizerAlpha = quantizerFor(options.quality);
        EncodedData output;
        if (avifEncoderWrite(encoder.get(), image.get(), &output.data) != AVIF_RESULT_OK) return std::nullopt;
        return std::string(reinterpret_cast<const char*>(output.data.data), output.data.size);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace tesselon
