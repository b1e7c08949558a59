#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "runtime/imaging/coded_size_check.h"
#include "runtime/imaging/embedded_metadata.h"
#include "runtime/imaging/heif_codec.h"
#include "runtime/imaging/heif_handles.h"
#include "runtime/imaging/image_header.h"
#include "runtime/imaging/isobmff_header.h"
#include "runtime/imaging/pixel_allocation.h"

namespace tesselon {

namespace {

// Coded planes of up to 16 bits per sample, the alpha image, the interleaved conversion
// and the tiles of a grid image.
constexpr uint64_t kDecoderBytesPerPixel = 20;

// The primary image of the data, or null.
struct OpenedHeif {
    HeifPtr<heif_context> context;
    HeifPtr<const heif_image_handle> primary;
};

OpenedHeif openHeif(const uint8_t* data, size_t size) {
    startLibheif();
    OpenedHeif opened;
    opened.context.reset(heif_context_alloc());
    if (!opened.context) return opened;
    heif_context_set_maximum_image_size_limit(opened.context.get(), kMaxImageDimension);
    // A batch decodes one image per core already.
    heif_context_set_max_decoding_threads(opened.context.get(), 0);
    if (heif_context_read_from_memory_without_copy(opened.context.get(), data, size, nullptr).code != heif_error_Ok)
        return opened;
    heif_image_handle* primary = nullptr;
    if (heif_context_get_primary_image_handle(opened.context.get(), &primary).code == heif_error_Ok)
        opened.primary.reset(primary);
    return opened;
}

uint8_t straight(uint8_t colour, uint8_t alpha) {
    if (alpha == 0 || alpha == 255) return colour;
    return uint8_t(std::min(255, (int(colour) * 255 + alpha / 2) / alpha));
}

}  // namespace

bool probeHeif(const uint8_t* data, size_t size) {
    return fileTypeHasBrand(data, size, {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm", "hevs", "mif1", "msf1"});
}

std::optional<ImageObject> decodeHeif(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    try {
        if (!probeHeif(data, size)) return std::nullopt;
        // libheif limits the declared size only; libde265 allocates what the stream codes.
        MemoryByteReader reader(data, size);
        if (checkCodedSizes(reader) != CodedSizeVerdict::Fits) return std::nullopt;
        const OpenedHeif heif = openHeif(data, size);
        if (!heif.primary) return std::nullopt;
        const int width = heif_image_handle_get_width(heif.primary.get());
        const int height = heif_image_handle_get_height(heif.primary.get());
        if (!imageSizeAllowed(width, height, limits.maxPixels)) return std::nullopt;
        const bool alpha = heif_image_handle_has_alpha_channel(heif.primary.get()) != 0;
        HeifPtr<heif_decoding_options> options(heif_decoding_options_alloc());
        if (!options) return std::nullopt;
        options->convert_hdr_to_8bit = 1;
        heif_image* decoded = nullptr;
        const heif_error error =
            heif_decode_image(heif.primary.get(), &decoded, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
        HeifPtr<const heif_image> pixels(decoded);
        if (error.code != heif_error_Ok || !pixels) return std::nullopt;
        int stride = 0;
        const uint8_t* plane = heif_image_get_plane_readonly(pixels.get(), heif_channel_interleaved, &stride);
        if (!plane || heif_image_get_width(pixels.get(), heif_channel_interleaved) != width ||
            heif_image_get_height(pixels.get(), heif_channel_interleaved) != height ||
            heif_image_get_bits_per_pixel_range(pixels.get(), heif_channel_interleaved) != 8)
            return std::nullopt;
        std::optional<ImageObject> image = allocateImageToOverwrite(width, height, alpha ? 32 : 24, limits.pool,
                                                                    limits.maxPixels);
        if (!image) return std::nullopt;
        const bool premultiplied = alpha && heif_image_is_premultiplied_alpha(decoded);
        const int bytes = alpha ? 4 : 3;
        for (int y = 0; y < height; ++y) {
            const uint8_t* s = plane + size_t(y) * size_t(stride);
            uint8_t* d = image->row(y);
            for (int x = 0; x < width; ++x, s += bytes, d += bytes) {
                const uint8_t a = alpha ? s[3] : 255;
                d[0] = premultiplied ? straight(s[2], a) : s[2];
                d[1] = premultiplied ? straight(s[1], a) : s[1];
                d[2] = premultiplied ? straight(s[0], a) : s[0];
                if (alpha) d[3] = a;
            }
        }
        image->format = kFormatHEIF;
        return image;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

void declareHeif(ByteReader& reader, DeclaredImage& declared) {
    declareIsoImage(reader, declared, kDecoderBytesPerPixel);
    declared.codedBeyondDeclared = checkCodedSizes(reader) == CodedSizeVerdict::Exceeds;
}

EmbeddedMetadata readHeifMetadata(const uint8_t* data, size_t size) {
    EmbeddedMetadata metadata;
    try {
        const OpenedHeif heif = openHeif(data, size);
        if (!heif.primary) return metadata;
        heif_item_id id = 0;
        if (heif_image_handle_get_list_of_metadata_block_IDs(heif.primary.get(), "Exif", &id, 1) == 1) {
            std::string block(heif_image_handle_get_metadata_size(heif.primary.get(), id), '\0');
            if (heif_image_handle_get_metadata(heif.primary.get(), id, block.data()).code == heif_error_Ok)
                metadata.exif = exifPayloadOf(block);
        }
        const heif_color_profile_type type = heif_image_handle_get_color_profile_type(heif.primary.get());
        if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
            std::string icc(heif_image_handle_get_raw_color_profile_size(heif.primary.get()), '\0');
            if (heif_image_handle_get_raw_color_profile(heif.primary.get(), icc.data()).code == heif_error_Ok)
                metadata.icc = std::move(icc);
        }
    } catch (const std::bad_alloc&) {
        return {};
    }
    return metadata;
}

}  // namespace tesselon
