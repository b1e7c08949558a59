// Photo orientation and metadata taken from a source image to its result: the EXIF
// orientation applied to the pixels right after loading, and the EXIF block and ICC
// profile handed to the encoder. Both are off unless asked for, so results stay
// byte for byte what they are without them.
#pragma once

#include <optional>
#include <string>

#include "runtime/imaging/embedded_metadata.h"
#include "runtime/imaging/exif_block.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

struct MetadataOptions {
    bool autoOrient = false;    // sources of formats that follow it turned upright by their EXIF orientation
    bool keepMetadata = false;  // EXIF and ICC profile kept, as far as the result's format carries them
};

class SourceMetadata {
public:
    SourceMetadata() = default;

    // Reads what the options ask for from the source file and, with autoOrient, turns
    // the freshly loaded image upright. Does nothing without an image or options.
    static SourceMetadata take(const std::string& sourcePath, std::optional<ImageObject>& loaded,
                               const MetadataOptions& options);

    // The metadata to embed in `result`'s file: the EXIF block without its thumbnail,
    // with the result's pixel size and, once the pixels were turned, orientation 1;
    // and the profile. Null when nothing is kept. Valid until the next call.
    const EmbeddedMetadata* forOutput(const ImageObject* result);

private:
    std::optional<ExifBlock> exif_;
    std::string icc_;
    bool oriented_ = false;
    EmbeddedMetadata output_;
};

}  // namespace tesselon
