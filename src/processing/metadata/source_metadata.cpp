#include "processing/metadata/source_metadata.h"

#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_formats.h"
#include "runtime/imaging/image_orientation.h"

namespace tesselon {

SourceMetadata SourceMetadata::take(const std::string& sourcePath, std::optional<ImageObject>& loaded,
                                    const MetadataOptions& options) {
    SourceMetadata metadata;
    if (!loaded || (!options.autoOrient && !options.keepMetadata)) return metadata;
    const ImageFormat* format = formatByCode(loaded->format);
    if (!format || !format->readMetadata) return metadata;
    const bool orientByExif = options.autoOrient && format->exifOrientation;
    if (!orientByExif && !options.keepMetadata) return metadata;
    const std::optional<std::string> bytes = readWholeFile(sourcePath);
    if (!bytes) return metadata;
    EmbeddedMetadata found = format->readMetadata(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size());
    if (!found.exif.empty()) metadata.exif_ = ExifBlock::parse(found.exif);
    if (orientByExif && metadata.exif_) {
        metadata.oriented_ = orientUpright(*loaded, metadata.exif_->orientation());
    }
    // Its decoder turned it already, by the file's own rotation and mirror.
    if (format->decoderOrients) metadata.oriented_ = true;
    if (options.keepMetadata) {
        metadata.icc_ = std::move(found.icc);
    } else {
        metadata.exif_.reset();
    }
    return metadata;
}

const EmbeddedMetadata* SourceMetadata::forOutput(const ImageObject* result) {
    if (!result || (!exif_ && icc_.empty())) return nullptr;
    output_ = EmbeddedMetadata{};
    if (exif_) {
        exif_->dropThumbnail();
        exif_->setPixelSize(result->width, result->height);
        if (oriented_) exif_->setOrientation(1);
        output_.exif = exif_->serialize();
    }
    output_.icc = icc_;
    return &output_;
}

}  // namespace tesselon
