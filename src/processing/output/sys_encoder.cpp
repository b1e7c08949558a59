#include "processing/output/sys_encoder.h"

#include "runtime/imaging/flattened_rows.h"
#include "processing/output/gif_encoder.h"
#include "processing/output/output_format.h"
#include "runtime/imaging/bmp_codec.h"
#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/png_codec.h"

namespace tesselon {

namespace {

constexpr int kDefaultJpegQuality = 80;

// JPEG and BMP have no alpha: 32-bit pixels are laid over white first.
template <typename Encode>
std::optional<std::string> encodeOpaque(const PixelRows& rows, Encode encode) {
    if (rows.bytesPerPixel != 4) return encode(rows);
    const std::optional<FlattenedRows> flat = flattenRowsOntoWhite(rows);
    if (!flat) return std::nullopt;
    return encode(flat->rows());
}

}  // namespace

int sysEncoderIndexOf(int qualityValue) { return (qualityValue >> 8) & 7; }

int sysJpegQualityOf(int qualityValue) {
    const int quality = qualityValue & 0xFF;
    if (quality == 0) return kDefaultJpegQuality;
    return quality > 100 ? 100 : quality;
}

std::optional<std::string> encodeSysImage(const EncodeRequest& request) {
    const PixelRows& rows = request.rows;
    if (!rows.valid()) return std::nullopt;
    switch (sysEncoderIndexOf(request.quality)) {
    case kSysEncoderJpeg: {
        const int quality = sysJpegQualityOf(request.quality);
        return encodeOpaque(rows, [quality, &request](const PixelRows& r) {
            return encodeJpeg(r, quality, request.metadata);
        });
    }
    case kSysEncoderPng: {
        // True colour with the alpha of 32-bit rows, tuned for speed: it runs once per
        // image of every batch.
        EncodeRequest png = request;
        png.depth = rows.bytesPerPixel == 4 ? 32 : 24;
        return encodePng(png, fastPngCompression());
    }
    case kSysEncoderGif:
        return encodeOutputGif(rows);
    case kSysEncoderBmp:
        return encodeOpaque(rows, [&request](const PixelRows& r) {
            EncodeRequest bmp = request;
            bmp.rows = r;
            return encodeBmp(bmp);
        });
    default:
        return std::nullopt;
    }
}

bool sysEncodingKeepsPixels(int qualityValue) {
    // Must agree with the PNG branch of encodeSysImage: true colour, with alpha for
    // 32-bit rows, whatever the depth asked for.
    return sysEncoderIndexOf(qualityValue) == kSysEncoderPng;
}

bool registerSysEncoder(CodecRegistry& registry) {
    return registry.registerEncoder(kFormatSys, encodeSysImage, encodeSysImage);
}

}  // namespace tesselon
