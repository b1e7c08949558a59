// Writing a processed image to its output file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "processing/output/output_plan.h"
#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// The output file's bytes: the registry's "Sys" encoder writing `format` at the quality,
// at the image's source depth (its in-memory depth when the source depth is not one an
// encoder takes; 32 bits for an image with alpha in a format that keeps all of it), with
// the metadata, when given, as the format can carry it. Nothing when encoding fails.
std::optional<std::string> encodeOutput(const ImageObject& image, const ImageFormat* format, int quality,
                                        const CodecRegistry& registry, const EmbeddedMetadata* metadata = nullptr);

// encodeOutput, then the bytes replace the file at `savePath` in one step: a failed
// encode or write leaves whatever was there, an original source included, untouched.
// False on failure.
bool saveOutput(const ImageObject& image, std::string_view savePath, const ImageFormat* format, int quality,
                const CodecRegistry& registry, const EmbeddedMetadata* metadata = nullptr);

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
// plan's root when it has one. Saved when the output file was written, which is what
// the entry's `saved` records.
SaveOutcome saveResult(const OutputPlan& plan, const ImageObject* working, bool animated,
                       const CodecRegistry& registry, const EmbeddedMetadata* metadata = nullptr);

// Writes a whole output file through a temporary beside it. A fresh file is not flushed
// to the disk first (it can be made again); replacing an existing file, a source above
// all, waits until the new data is safely stored.
bool writeOutputFile(std::string_view path, std::string_view bytes);
// The same for the plan's save path: beneath its root when it has one (a folder that
// went missing meanwhile is made again there), else by the path itself.
SaveOutcome writeOutputFile(const OutputPlan& plan, std::string_view bytes);

}  // namespace tesselon
