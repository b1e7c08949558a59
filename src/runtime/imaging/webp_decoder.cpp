#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "runtime/imaging/embedded_metadata.h"
#include "runtime/imaging/header_fields.h"
#include "runtime/imaging/image_header.h"
#include "runtime/imaging/pixel_allocation.h"
#include "runtime/imaging/webp_codec.h"

namespace tesselon {

namespace {

constexpr size_t kRiffHeader = 12;
constexpr size_t kChunkHeader = 8;
constexpr uint8_t kAnimationFlag = 0x02;
constexpr uint8_t kAlphaFlag = 0x10;

struct DemuxRelease {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
struct AnimRelease {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

// The first frame of an animation as the canvas shows it, through libwebp's own
// compositing (blending and disposal of the frames before it do not apply to it).
std::optional<ImageObject> decodeFirstFrame(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    const WebPData webp{data, size};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return std::nullopt;
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    std::unique_ptr<WebPAnimDecoder, AnimRelease> decoder(WebPAnimDecoderNew(&webp, &options));
    if (!decoder) return std::nullopt;
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info) || info.frame_count < 1) return std::nullopt;
    if (!imageSizeAllowed(info.canvas_width, info.canvas_height, limits.maxPixels)) return std::nullopt;
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas) return std::nullopt;
    std::optional<ImageObject> image =
        allocateImageToOverwrite(int(info.canvas_width), int(info.canvas_height), 32, limits.pool, limits.maxPixels);
    if (!image) return std::nullopt;
    const size_t rowBytes = size_t(info.canvas_width) * 4;
    for (int y = 0; y < image->height; ++y) std::memcpy(image->row(y), canvas + size_t(y) * rowBytes, rowBytes);
    image->firstFrameDelayMs = timestamp;
    return image;
}

// Walks the chunks after the RIFF header; `visit` returns false to stop.
template <typename Visit>
void forEachChunk(ByteReader& reader, Visit visit) {
    uint8_t riff[kRiffHeader];
    if (!readExact(reader, 0, riff, sizeof riff)) return;
    const uint64_t end = std::min<uint64_t>(reader.size(), uint64_t(le32(riff + 4)) + 8);
    uint64_t at = kRiffHeader;
    for (int blocks = 0; blocks < kMaxHeaderBlocks && at + kChunkHeader <= end; ++blocks) {
        uint8_t header[kChunkHeader];
        if (!readExact(reader, at, header, sizeof header)) return;
        const uint64_t length = le32(header + 4);
        if (!visit(header, at + kChunkHeader, length)) return;
        at += kChunkHeader + length + (length & 1);
    }
}

}  // namespace

bool probeWebp(const uint8_t* data, size_t size) {
    return size >= kRiffHeader && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0;
}

std::optional<ImageObject> decodeWebp(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    try {
        WebPBitstreamFeatures features;
        if (!probeWebp(data, size) || WebPGetFeatures(data, size, &features) != VP8_STATUS_OK) return std::nullopt;
        // A file whose chunks do not hold a whole image is refused before any pixel
        // memory is taken for the size it claims.
        const WebPData webp{data, size};
        if (!std::unique_ptr<WebPDemuxer, DemuxRelease>(WebPDemux(&webp))) return std::nullopt;
        std::optional<ImageObject> image;
        if (features.has_animation) {
            image = decodeFirstFrame(data, size, limits);
            if (image) image->sourceDepth = 32;
        } else {
            if (!imageSizeAllowed(features.width, features.height, limits.maxPixels)) return std::nullopt;
            const int depth = features.has_alpha ? 32 : 24;
            image = allocateImageToOverwrite(features.width, features.height, depth, limits.pool, limits.maxPixels);
            if (!image) return std::nullopt;
            WebPDecoderConfig config;
            if (!WebPInitDecoderConfig(&config)) return std::nullopt;
            // Straight into the image's bottom-up rows.
            config.options.flip = 1;
            config.options.use_threads = 0;
            config.output.colorspace = features.has_alpha ? MODE_BGRA : MODE_BGR;
            config.output.is_external_memory = 1;
            config.output.u.RGBA.rgba = image->pixels.data();
            config.output.u.RGBA.stride = int(image->pitch());
            config.output.u.RGBA.size = image->pixels.size();
            const VP8StatusCode status = WebPDecode(data, size, &config);
            WebPFreeDecBuffer(&config.output);
            if (status != VP8_STATUS_OK) return std::nullopt;
        }
        if (!image) return std::nullopt;
        image->format = kFormatWEBP;
        return image;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

void declareWebp(ByteReader& reader, DeclaredImage& d) {
    bool lossless = false, alpha = false, animated = false;
    int64_t frames = 0;
    forEachChunk(reader, [&](const uint8_t* header, uint64_t at, uint64_t length) {
        if (std::memcmp(header, "VP8X", 4) == 0 && length >= 10) {
            uint8_t x[10];
            if (!readExact(reader, at, x, sizeof x)) return false;
            animated = x[0] & kAnimationFlag;
            alpha = x[0] & kAlphaFlag;
            setDeclaredSize(d, int64_t(le24(x + 4)) + 1, int64_t(le24(x + 7)) + 1);
            return animated;  // a still image's size is known now
        }
        if (std::memcmp(header, "ANMF", 4) == 0) {
            ++frames;
            return true;
        }
        if (std::memcmp(header, "VP8 ", 4) == 0 && length >= 10) {
            uint8_t f[10];
            if (!readExact(reader, at, f, sizeof f) || f[3] != 0x9D || f[4] != 0x01 || f[5] != 0x2A) return false;
            setDeclaredSize(d, le16(f + 6) & 0x3FFF, le16(f + 8) & 0x3FFF);
            return false;
        }
        if (std::memcmp(header, "VP8L", 4) == 0 && length >= 5) {
            uint8_t l[5];
            if (!readExact(reader, at, l, sizeof l) || l[0] != 0x2F) return false;
            const uint32_t bits = le32(l + 1);
            setDeclaredSize(d, int64_t(bits & 0x3FFF) + 1, int64_t((bits >> 14) & 0x3FFF) + 1);
            lossless = true;
            return false;
        }
        return true;
    });
    if (!d.sizeKnown) return;
    d.frames = std::max<int64_t>(frames, 1);
    const uint64_t image = saturatingProduct(d.pixels(), 4);
    // Lossless data and alpha planes are decoded whole before they reach the image; an
    // animation is composed on a canvas of its own, beside the frame being decoded.
    if (animated) d.decoderBytes = saturatingProduct(image, 3);
    else if (lossless || alpha) d.decoderBytes = image;
    else d.decoderBytes = image / 4;
}

EmbeddedMetadata readWebpMetadata(const uint8_t* data, size_t size) {
    EmbeddedMetadata metadata;
    if (!probeWebp(data, size)) return metadata;
    const WebPData webp{data, size};
    std::unique_ptr<WebPDemuxer, DemuxRelease> demux(WebPDemux(&webp));
    if (!demux) return metadata;
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demux.get(), "EXIF", 1, &chunk)) {
        metadata.exif = exifPayloadOf(std::string_view(reinterpret_cast<const char*>(chunk.chunk.bytes), chunk.chunk.size));
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    if (WebPDemuxGetChunk(demux.get(), "ICCP", 1, &chunk)) {
        metadata.icc.assign(reinterpret_cast<const char*>(chunk.chunk.bytes), chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    return metadata;
}

}  // namespace tesselon
