#include "ui/interface_images.h"

#include <QFile>
#include <cmath>

#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_resize.h"

namespace tesselon {

namespace {

constexpr const char* kResources[kInterfaceImageCount] = {
    ":/tesselon/images/folder_20.png",                // 1: load settings
    ":/tesselon/images/save_30.png",                  // 2: save settings
    ":/tesselon/images/power_30.png",                 // 3: close
    ":/tesselon/images/colour_wheel_24.png",          // 4: background colour
    ":/tesselon/images/colour_wheel_24.png",          // 5: tint colour
    ":/tesselon/images/phrases_file_24.png",          // 6: phrases file
    ":/tesselon/images/colour_wheel_24.png",          // 7: border colour
    ":/tesselon/images/landscape_65.jpg",             // 8: text-position sample
    ":/tesselon/images/red_background_380x251.jpg",   // 9: preview source
    ":/tesselon/images/red_background_380x251.jpg",   // 10: preview result
    ":/tesselon/images/folder_18.png",                // 11: source folder
    ":/tesselon/images/ftp_18.png",                   // 12: FTP connection
    ":/tesselon/images/download_32.png",              // 13: FTP download
    ":/tesselon/images/folder_18.png",                // 14: open download folder
    ":/tesselon/images/folder_18.png",                // 15: destination folder
};

int scaled(int size, double scale) {
    const double product = size * scale;
    return int(product < 0 ? product - 0.5 : product + 0.5);
}

}  // namespace

const char* interfaceImageResource(int number) {
    return number >= 1 && number <= kInterfaceImageCount ? kResources[number - 1] : nullptr;
}

InterfaceImages decodeInterfaceImages(const CodecRegistry& registry, double scaleX, double scaleY) {
    InterfaceImages images;
    for (int n = 1; n <= kInterfaceImageCount; ++n) {
        QFile file(QString::fromLatin1(kResources[n - 1]));
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QByteArray data = file.readAll();
        std::optional<ImageObject> image =
            catchImage(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), registry);
        if (!image) continue;
        const int width = scaled(image->width, scaleX);
        const int height = scaled(image->height, scaleY);
        // A failed resize keeps the image at its own size, which still shows.
        resizeImage(*image, width, height);
        images[size_t(n - 1)] = std::move(*image);
    }
    return images;
}

}  // namespace tesselon
