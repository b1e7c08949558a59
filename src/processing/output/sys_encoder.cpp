#include "processing/output/sys_encoder.h"

#include "runtime/imaging/flattened_rows.h"
#include "runtime/imaging/image_formats.h"

namespace tesselon {

namespace {

constexpr int kDefaultQuality = 80;

}  // namespace

int sysQualityOf(int quality) {
    if (quality <= 0) return kDefaultQuality;
    return quality > 100 ? 100 : quality;
}

std::optional<std::string> encodeSysImage(const EncodeRequest& request) {
    const PixelRows& rows = request.rows;
    const ImageFormat* format = request.result;
    if (!rows.valid() || !format || !format->writable()) return std::nullopt;
    const int quality = sysQualityOf(request.quality);
    if (rows.bytesPerPixel == 4 && format->alpha == AlphaKept::None) {
        const std::optional<FlattenedRows> flat = flattenRowsOntoWhite(rows);
        if (!flat) return std::nullopt;
        return format->encode(flat->rows(), quality, request.metadata);
    }
    return format->encode(rows, quality, request.metadata);
}

bool registerSysEncoder(CodecRegistry& registry) {
    return registry.registerEncoder(kFormatSys, encodeSysImage, encodeSysImage);
}

}  // namespace tesselon
