#include <avif/avif.h>

#include <memory>
#include <new>

#include "runtime/imaging/avif_codec.h"
#include "runtime/imaging/coded_size_check.h"
#include "runtime/imaging/embedded_metadata.h"
#include "runtime/imaging/image_header.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_orientation.h"
#include "runtime/imaging/isobmff_header.h"
#include "runtime/imaging/pixel_allocation.h"

namespace tesselon {

namespace {

// Coded planes of up to 16 bits per sample with alpha, and dav1d's frame pool.
constexpr uint64_t kDecoderBytesPerPixel = 16;

struct DecoderRelease {
    void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
};
using DecoderHandle = std::unique_ptr<avifDecoder, DecoderRelease>;

// A decoder over the data with the file parsed, within the limits; null when the data is
// refused.
DecoderHandle parsedDecoder(const uint8_t* data, size_t size, const DecodeLimits& limits, bool metadata) {
    DecoderHandle decoder(avifDecoderCreate());
    if (!decoder) return nullptr;
    decoder->maxThreads = 1;
    decoder->imageSizeLimit = uint32_t(std::min<uint64_t>(limits.maxPixels, UINT32_MAX));
    decoder->imageDimensionLimit = kMaxImageDimension;
    // Files that leave out a property a strict reading asks for are common and harmless.
    decoder->strictFlags = AVIF_STRICT_DISABLED;
    decoder->ignoreXMP = AVIF_TRUE;
    decoder->ignoreExif = metadata ? AVIF_FALSE : AVIF_TRUE;
    if (avifDecoderSetIOMemory(decoder.get(), data, size) != AVIF_RESULT_OK) return nullptr;
    if (avifDecoderParse(decoder.get()) != AVIF_RESULT_OK) return nullptr;
    return decoder;
}

// The clean aperture, then the rotation and mirror, in the order the format applies them.
bool applyTransforms(const avifImage& coded, std::optional<ImageObject>& image) {
    if (coded.transformFlags & AVIF_TRANSFORM_CLAP) {
        avifCropRect crop;
        avifDiagnostics diagnostics;
        if (avifCropRectConvertCleanApertureBox(&crop, &coded.clap, coded.width, coded.height, coded.yuvFormat,
                                                &diagnostics) &&
            (crop.width != coded.width || crop.height != coded.height)) {
            std::optional<ImageObject> cropped =
                grabImage(*image, int(crop.x), int(crop.y), int(crop.width), int(crop.height));
            if (!cropped) return false;
            cropped->format = image->format;
            image = std::move(cropped);
        }
    }
    const int turns = coded.transformFlags & AVIF_TRANSFORM_IROT ? coded.irot.angle & 3 : -1;
    const int mirror = coded.transformFlags & AVIF_TRANSFORM_IMIR ? coded.imir.mode & 1 : -1;
    return orientUpright(*image, orientationOfTransforms(turns, mirror));
}

}  // namespace

bool probeAvif(const uint8_t* data, size_t size) { return fileTypeHasBrand(data, size, {"avif", "avis"}); }

std::optional<ImageObject> decodeAvif(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    try {
        if (!probeAvif(data, size)) return std::nullopt;
        // dav1d would refuse a frame beyond the limit too, but only once it is parsed, and
        // with a line of its own on stderr.
        MemoryByteReader reader(data, size);
        if (checkCodedSizes(reader) != CodedSizeVerdict::Fits) return std::nullopt;
        DecoderHandle decoder = parsedDecoder(data, size, limits, false);
        if (!decoder || avifDecoderNextImage(decoder.get()) != AVIF_RESULT_OK) return std::nullopt;
        const avifImage& coded = *decoder->image;
        if (!imageSizeAllowed(coded.width, coded.height, limits.maxPixels)) return std::nullopt;
        const bool alpha = coded.alphaPlane != nullptr;
        std::optional<ImageObject> image =
            allocateImageToOverwrite(int(coded.width), int(coded.height), alpha ? 32 : 24, limits.pool, limits.maxPixels);
        if (!image) return std::nullopt;
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, &coded);
        rgb.depth = 8;
        rgb.format = alpha ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_BGR;
        rgb.alphaPremultiplied = AVIF_FALSE;
        // Top row first into the buffer, then the rows are swapped into bottom-up order.
        rgb.pixels = image->pixels.data();
        rgb.rowBytes = uint32_t(image->pitch());
        if (avifImageYUVToRGB(&coded, &rgb) != AVIF_RESULT_OK) return std::nullopt;
        const size_t pitch = image->pitch();
        for (int top = 0, bottom = image->height - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(image->pixels.begin() + ptrdiff_t(top * pitch),
                             image->pixels.begin() + ptrdiff_t((top + 1) * pitch),
                             image->pixels.begin() + ptrdiff_t(bottom * pitch));
        image->format = kFormatAVIF;
        if (!applyTransforms(coded, image)) return std::nullopt;
        return image;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

void declareAvif(ByteReader& reader, DeclaredImage& declared) {
    declareIsoImage(reader, declared, kDecoderBytesPerPixel);
    declared.codedBeyondDeclared = checkCodedSizes(reader) == CodedSizeVerdict::Exceeds;
}

EmbeddedMetadata readAvifMetadata(const uint8_t* data, size_t size) {
    EmbeddedMetadata metadata;
    try {
        DecoderHandle decoder = parsedDecoder(data, size, DecodeLimits{}, true);
        if (!decoder) return metadata;
        const avifImage& image = *decoder->image;
        if (image.exif.size > 0)
            metadata.exif = exifPayloadOf(std::string_view(reinterpret_cast<const char*>(image.exif.data), image.exif.size));
        if (image.icc.size > 0) metadata.icc.assign(reinterpret_cast<const char*>(image.icc.data), image.icc.size);
    } catch (const std::bad_alloc&) {
        return {};
    }
    return metadata;
}

int orientationOfTransforms(int quarterTurns, int mirrorMode) {
    // Rows: no rotation, 1, 2, 3 quarter turns anti-clockwise; columns: no mirror, top and
    // bottom exchanged, left and right exchanged.
    static constexpr int kOrientation[4][3] = {{1, 4, 2}, {8, 5, 7}, {3, 2, 4}, {6, 7, 5}};
    const int row = quarterTurns >= 0 && quarterTurns <= 3 ? quarterTurns : 0;
    const int column = mirrorMode == 0 ? 1 : mirrorMode == 1 ? 2 : 0;
    return kOrientation[row][column];
}

}  // namespace tesselon
