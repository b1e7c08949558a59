#include "runtime/imaging/tiff_decoder.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "runtime/imaging/memory_source.h"
#include "runtime/imaging/pixel_allocation.h"

namespace tesselon {

namespace {

tmsize_t tiffRead(thandle_t handle, void* out, tmsize_t size) {
    return size > 0 ? tmsize_t(static_cast<MemorySource*>(handle)->read(out, size_t(size))) : 0;
}

tmsize_t tiffWrite(thandle_t, void*, tmsize_t) { return -1; }

toff_t tiffSeek(thandle_t handle, toff_t offset, int whence) {
    auto* source = static_cast<MemorySource*>(handle);
    // Relative seeks arrive as two's complement in the unsigned offset.
    const int64_t delta = int64_t(offset);
    int64_t target = -1;
    if (whence == SEEK_SET) target = delta;
    if (whence == SEEK_CUR) target = int64_t(source->offset) + delta;
    if (whence == SEEK_END) target = int64_t(source->size) + delta;
    if (target < 0 || uint64_t(target) > source->size) return toff_t(-1);
    source->offset = size_t(target);
    return toff_t(target);
}

int tiffClose(thandle_t) { return 0; }
toff_t tiffSize(thandle_t handle) { return toff_t(static_cast<MemorySource*>(handle)->size); }
int tiffMap(thandle_t, void**, toff_t*) { return 0; }
void tiffUnmap(thandle_t, void*, toff_t) {}

int quietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

class TiffFile {
public:
    TiffFile(MemorySource* source, const DecodeLimits& limits) {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (!options) return;
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(limits.maxCodecMemory));
        // Per-file handlers: messages of this file go nowhere, whatever the process-wide ones do.
        TIFFOpenOptionsSetErrorHandlerExtR(options, quietHandler, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options, quietHandler, nullptr);
        tiff_ = TIFFClientOpenExt("memory", "rm", source, tiffRead, tiffWrite, tiffSeek, tiffClose, tiffSize, tiffMap,
                                  tiffUnmap, options);
        TIFFOpenOptionsFree(options);
    }
    ~TiffFile() {
        if (tiff_) TIFFClose(tiff_);
    }
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;
    TIFF* get() const { return tiff_; }

private:
    TIFF* tiff_ = nullptr;
};

// libtiff hands out RGBA packed in 32-bit words with premultiplied alpha; the image
// wants blue, green, red, alpha bytes with straight alpha.
void toStraightBgra(uint8_t* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i, pixels += 4) {
        uint32_t packed;
        std::memcpy(&packed, pixels, 4);
        const unsigned r = TIFFGetR(packed), g = TIFFGetG(packed), b = TIFFGetB(packed), a = TIFFGetA(packed);
        auto straight = [a](unsigned c) { return uint8_t(a == 255 ? c : a == 0 ? 0 : std::min(255u, (c * 255 + a / 2) / a)); };
        pixels[0] = straight(b);
        pixels[1] = straight(g);
        pixels[2] = straight(r);
        pixels[3] = uint8_t(a);
    }
}

}  // namespace

void silenceLibtiffMessages() {
    static const bool silenced = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)silenced;
}

bool probeTiff(const uint8_t* data, size_t size) {
    if (size < 4) return false;
    // Classic TIFF (42) and BigTIFF (43), in either byte order.
    const bool little = data[0] == 'I' && data[1] == 'I' && data[3] == 0 && (data[2] == 42 || data[2] == 43);
    const bool big = data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43);
    return little || big;
}

std::optional<ImageObject> decodeTiff(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    if (!probeTiff(data, size)) return std::nullopt;
    silenceLibtiffMessages();
    MemorySource source{data, size};
    TiffFile file(&source, limits);
    TIFF* tiff = file.get();
    if (!tiff) return std::nullopt;

    uint32_t width = 0, height = 0;
    uint16_t compression = COMPRESSION_NONE, samples = 1, bits = 1;
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height)) {
        return std::nullopt;
    }
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    if (compression == COMPRESSION_OJPEG || compression == COMPRESSION_DEFLATE) return std::nullopt;
    if (!imageSizeAllowed(width, height, limits.maxPixels)) return std::nullopt;
    char message[1024];
    if (!TIFFRGBAImageOK(tiff, message)) return std::nullopt;

    std::optional<ImageObject> image = allocateImage(int(width), int(height), 32, limits.maxPixels);
    if (!image) return std::nullopt;
    image->sourceDepth = uint8_t(std::min(255, int(samples) * int(bits)));
    // Bottom-left orientation gives bottom-up rows, as the image stores them.
    auto* raster = reinterpret_cast<uint32_t*>(image->pixels.data());
    if (!TIFFReadRGBAImageOriented(tiff, width, height, raster, ORIENTATION_BOTLEFT, 1)) return std::nullopt;
    toStraightBgra(image->pixels.data(), size_t(width) * height);
    return image;
}

}  // namespace tesselon
