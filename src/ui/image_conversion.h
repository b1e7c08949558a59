// Images of the imaging service shown in Qt controls.
#pragma once

#include <QImage>
#include <QPixmap>

#include "runtime/imaging/image_object.h"

namespace tesselon {

// A top-down copy of the image's pixels: 24-bit images as RGB, 32-bit ones with their
// (straight) alpha. A null image when the image object is not valid.
QImage toQImage(const ImageObject& image);

// A 24-bit image object of the picture's colours (alpha dropped); an invalid one when
// the picture is null or larger than an image object holds.
ImageObject toImageObject(const QImage& picture);

// The image as a pixmap of the given device pixel ratio, so an image scaled by that
// ratio at start-up shows at its 96-dpi size.
QPixmap toPixmap(const ImageObject& image, qreal devicePixelRatio);

}  // namespace tesselon
