#include "ui/image_conversion.h"

#include <QtEndian>
#include <cstring>

namespace tesselon {

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the pixel copy assumes little-endian words");

QImage toQImage(const ImageObject& image) {
    if (!image.valid() || (image.depth != 24 && image.depth != 32)) return {};
    // Both layouts already hold blue, green, red (and alpha) in memory order, which is
    // what these two formats store on a little-endian machine byte for byte.
    const QImage::Format format = image.depth == 32 ? QImage::Format_ARGB32 : QImage::Format_BGR888;
    QImage out(image.width, image.height, format);
    if (out.isNull()) return {};
    const size_t rowBytes = size_t(image.width) * size_t(image.bytesPerPixel());
    for (int y = 0; y < image.height; ++y) std::memcpy(out.scanLine(y), image.row(y), rowBytes);
    return out;
}

ImageObject toImageObject(const QImage& picture) {
    ImageObject image;
    if (picture.isNull() || picture.width() > kMaxImageDimension || picture.height() > kMaxImageDimension)
        return image;
    const QImage rgb = picture.convertToFormat(QImage::Format_BGR888);
    image.width = int16_t(rgb.width());
    image.height = int16_t(rgb.height());
    image.depth = image.sourceDepth = 24;
    image.pixels.resize(image.pitch() * size_t(image.height));
    for (int y = 0; y < image.height; ++y) std::memcpy(image.row(y), rgb.constScanLine(y), size_t(image.width) * 3);
    return image;
}

QPixmap toPixmap(const ImageObject& image, qreal devicePixelRatio) {
    QImage converted = toQImage(image);
    if (converted.isNull()) return {};
    QPixmap pixmap = QPixmap::fromImage(std::move(converted));
    pixmap.setDevicePixelRatio(devicePixelRatio > 0 ? devicePixelRatio : 1.0);
    return pixmap;
}

}  // namespace tesselon
