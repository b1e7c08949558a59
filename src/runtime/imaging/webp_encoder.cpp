#include <webp/encode.h>
#include <webp/mux.h>

#include <memory>
#include <new>

#include "runtime/imaging/embedded_metadata.h"
#include "runtime/imaging/webp_codec.h"

namespace tesselon {

namespace {

// The picture and the memory writer; the caller takes the bytes before they go.
class WebPEncoding {
public:
    WebPEncoding() {
        ready_ = WebPPictureInit(&picture_) != 0;
        WebPMemoryWriterInit(&writer_);
    }
    ~WebPEncoding() {
        WebPPictureFree(&picture_);
        WebPMemoryWriterClear(&writer_);
    }
    WebPEncoding(const WebPEncoding&) = delete;
    WebPEncoding& operator=(const WebPEncoding&) = delete;

    bool ready() const { return ready_; }
    WebPPicture& picture() { return picture_; }
    WebPMemoryWriter& writer() { return writer_; }

private:
    bool ready_ = false;
    WebPPicture picture_;
    WebPMemoryWriter writer_;
};

struct MuxRelease {
    void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};

// The bitstream with the EXIF and ICCP chunks added; libwebp's mux writes the extended
// header that announces them.
std::optional<std::string> withMetadata(const uint8_t* data, size_t size, const EmbeddedMetadata& metadata) {
    const WebPData image{data, size};
    std::unique_ptr<WebPMux, MuxRelease> mux(WebPMuxCreate(&image, 0));
    if (!mux) return std::nullopt;
    const std::string_view tiff = tiffOfExifPayload(metadata.exif);
    if (!tiff.empty()) {
        const WebPData exif{reinterpret_cast<const uint8_t*>(tiff.data()), tiff.size()};
        if (WebPMuxSetChunk(mux.get(), "EXIF", &exif, 0) != WEBP_MUX_OK) return std::nullopt;
    }
    if (isRgbIccProfile(metadata.icc)) {
        const WebPData icc{reinterpret_cast<const uint8_t*>(metadata.icc.data()), metadata.icc.size()};
        if (WebPMuxSetChunk(mux.get(), "ICCP", &icc, 0) != WEBP_MUX_OK) return std::nullopt;
    }
    WebPData assembled;
    WebPDataInit(&assembled);
    if (WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK) return std::nullopt;
    std::optional<std::string> out;
    try {
        out.emplace(reinterpret_cast<const char*>(assembled.bytes), assembled.size);
    } catch (const std::bad_alloc&) {
    }
    WebPDataClear(&assembled);
    return out;
}

}  // namespace

std::optional<std::string> encodeWebp(const PixelRows& rows, const EncodeOptions& options) {
    const EmbeddedMetadata* metadata = options.metadata;
    if (!rows.valid()) return std::nullopt;
    WebPConfig config;
    if (!WebPConfigInit(&config)) return std::nullopt;
    config.quality = float(options.quality.value());
    // libwebp's threads analyse halves of the picture and code the alpha plane beside
    // the colours; the bitstream is the same as on one thread.
    config.thread_level = options.threads > 1 ? 1 : 0;
    WebPEncoding encoding;
    if (!encoding.ready()) return std::nullopt;
    WebPPicture& picture = encoding.picture();
    picture.width = rows.width;
    picture.height = rows.height;
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &encoding.writer();
    // The top row first; bottom-up rows are walked with a negative stride.
    const int stride = int(rows.pitch) * (rows.bottomUp ? -1 : 1);
    const uint8_t* top = rows.row(0);
    const int imported = rows.bytesPerPixel == 4 ? WebPPictureImportBGRA(&picture, top, stride)
                                                 : WebPPictureImportBGR(&picture, top, stride);
    if (!imported || !WebPEncode(&config, &picture)) return std::nullopt;
    const WebPMemoryWriter& written = encoding.writer();
    if (metadata && (!tiffOfExifPayload(metadata->exif).empty() || isRgbIccProfile(metadata->icc)))
        return withMetadata(written.mem, written.size, *metadata);
    try {
        return std::string(reinterpret_cast<const char*>(written.mem), written.size);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace tesselon
