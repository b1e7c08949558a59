// Writing a processed image to its output file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "processing/output/output_plan.h"
#include "runtime/imaging/embedded_metadata.h"
#include "runtime/imaging/image_formats.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// The depth a result is encoded at: always true colour, 32 bits where the format keeps
// the image's alpha (all of it, or for GIF its fully transparent pixels when the source
// had a palette or 32 bits), 24 bits (laid over white) otherwise.
int resultDepth(const ImageObject& image, const ImageFormat& format);

// The output file's bytes: `format`'s encoder at the stored quality (CalidadGrabacion:
// 0 or less means 80, above 100 means 100), at resultDepth, with the metadata, when
// given, as the format can carry it, compressing quickly, on up to `threads` threads
// (the bytes do not depend on them). Nothing for a format results are not written in
// here, or when encoding fails.
std::optional<std::string> encodeOutput(const ImageObject& image, const ImageFormat* format, int quality,
                                        const EmbeddedMetadata* metadata = nullptr, int threads = 1);

// encodeOutput, then the bytes replace the file at `savePath` in one step: a failed
// encode or write leaves whatever was there, an original source included, untouched.
// False on failure.
bool saveOutput(const ImageObject& image, std::string_view savePath, const ImageFormat* format, int quality,
                const EmbeddedMetadata* metadata = nullptr);

// Whether an output file was written, and when its folder was not there to write into,
// why.
struct SaveOutcome {
    bool saved = false;
    BeneathProblem folder = BeneathProblem::None;  // the walk from the plan's root failed
    explicit operator bool() const { return saved; }
};

// The save step of one entry: nothing without a working image; an animated GIF source
// is copied byte for byte to the save path in a batch that keeps the sources (and
// nothing is written otherwise); any other image goes through saveOutput, beneath the
// plan's root when it has one, its encoder on up to `threads` threads. Saved when the
// output file was written, which is what the entry's `saved` records.
SaveOutcome saveResult(const OutputPlan& plan, const ImageObject* working, bool animated,
                       const EmbeddedMetadata* metadata = nullptr, int threads = 1);

// Writes a whole output file through a temporary beside it. A fresh file is not flushed
// to the disk first (it can be made again); replacing an existing file, a source above
// all, waits until the new data is safely stored.
bool writeOutputFile(std::string_view path, std::string_view bytes);
// The same for the plan's save path: beneath its root when it has one (a folder that
// went missing meanwhile is made again there), else by the path itself.
SaveOutcome writeOutputFile(const OutputPlan& plan, std::string_view bytes);

}  // namespace tesselon
