#include <algorithm>
#include <new>
#include <string>

#include "runtime/imaging/embedded_metadata.h"
#include "runtime/imaging/exif_block.h"
#include "runtime/imaging/heif_codec.h"
#include "runtime/imaging/flattened_rows.h"
#include "runtime/imaging/heif_handles.h"

namespace tesselon {

namespace {

heif_error appendOutput(heif_context*, const void* data, size_t size, void* userdata) {
    try {
        static_cast<std::string*>(userdata)->append(static_cast<const char*>(data), size);
        return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
    } catch (...) {
        return heif_error{heif_error_Memory_allocation_error, heif_suberror_Unspecified, "out of memory"};
    }
}

// The image in libheif's interleaved RGB(A), top row first.
HeifPtr<const heif_image> interleaved(const PixelRows& rows, bool alpha) {
    heif_image* created = nullptr;
    if (heif_image_create(rows.width, rows.height, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &created)
            .code != heif_error_Ok)
        return nullptr;
    HeifPtr<const heif_image> image(created);
    if (heif_image_add_plane(created, heif_channel_interleaved, rows.width, rows.height, 8).code != heif_error_Ok)
        return nullptr;
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(created, heif_channel_interleaved, &stride);
    if (!plane) return nullptr;
    const int out = alpha ? 4 : 3;
    for (int y = 0; y < rows.height; ++y) {
        const uint8_t* s = rows.row(y);
        uint8_t* d = plane + size_t(y) * size_t(stride);
        for (int x = 0; x < rows.width; ++x, s += rows.bytesPerPixel, d += out) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            if (alpha) d[3] = s[3];
        }
    }
    return image;
}

}  // namespace

void startLibheif() {
    static const bool started = [] {
        heif_init(nullptr);
        return true;
    }();
    (void)started;
}

bool heicEncoderPresent() {
    startLibheif();
    return heif_have_encoder_for_format(heif_compression_HEVC) != 0;
}

std::optional<std::string> encodeHeic(const PixelRows& rows, const EncodeOptions& options) {
    const EmbeddedMetadata* metadata = options.metadata;
    if (!rows.valid()) return std::nullopt;
    try {
        startLibheif();
        HeifPtr<heif_context> context(heif_context_alloc());
        if (!context) return std::nullopt;
        heif_encoder* found = nullptr;
        if (heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &found).code != heif_error_Ok)
            return std::nullopt;
        HeifPtr<heif_encoder> encoder(found);
        if (heif_encoder_set_lossy_quality(encoder.get(), options.quality.value()).code != heif_error_Ok)
            return std::nullopt;
        // x265 would start a pool of threads on every core for each image, however many
        // other images the batch has in hand. Its wavefronts code the same bits whatever
        // the pool's size.
        const std::string pool = std::to_string(std::max(1, options.threads));
        if (heif_encoder_set_parameter_string(encoder.get(), "x265:pools", pool.c_str()).code != heif_error_Ok)
            return std::nullopt;
        HeifPtr<const heif_image> image = interleaved(rows, hasTransparency(rows));
        if (!image) return std::nullopt;
        HeifPtr<heif_encoding_options> encoding(heif_encoding_options_alloc());
        if (!encoding) return std::nullopt;
        std::string_view tiff;
        if (metadata) {
            tiff = tiffOfExifPayload(metadata->exif);
            if (isRgbIccProfile(metadata->icc) &&
                heif_image_set_raw_color_profile(const_cast<heif_image*>(image.get()), "prof", metadata->icc.data(),
                                                 metadata->icc.size())
                        .code != heif_error_Ok)
                return std::nullopt;
            // HEIF viewers turn images by their rotation and mirror, not by EXIF.
            if (const std::optional<ExifBlock> exif = ExifBlock::parse(metadata->exif))
                encoding->image_orientation = heif_orientation(exif->orientation());
        }
        heif_image_handle* encoded = nullptr;
        if (heif_context_encode_image(context.get(), image.get(), encoder.get(), encoding.get(), &encoded).code !=
            heif_error_Ok)
            return std::nullopt;
        HeifPtr<const heif_image_handle> handle(encoded);
        if (!tiff.empty() &&
            heif_context_add_exif_metadata(context.get(), handle.get(), tiff.data(), int(tiff.size())).code !=
                heif_error_Ok)
            return std::nullopt;
        std::string out;
        heif_writer writer{1, appendOutput};
        if (heif_context_write(context.get(), &writer, &out).code != heif_error_Ok) return std::nullopt;
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace tesselon
