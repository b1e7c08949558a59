// The ordered list of decoders an image service tries, and the limits they decode
// within. Encoders need no registry: each row of the format table (image_formats.h)
// carries its own, and encodeImage (image_save.h) calls it.
//
// The program owns one registry and fills it once at start-up; afterwards it is only
// read, so any number of threads may decode through it at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/imaging/image_limits.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

struct ImageFormat;

// Whether the data starts with the signature of the decoder's format.
using ProbeFunction = bool (*)(const uint8_t* data, size_t size);
// The decoded image with width, height, depth, source depth and frames set; the
// registry stores the format code.
using DecodeFunction = std::optional<ImageObject> (*)(const uint8_t* data, size_t size, const DecodeLimits& limits);

struct DecoderEntry {
    uint32_t format = kFormatNone;
    ProbeFunction probe = nullptr;
    DecodeFunction decode = nullptr;
};

class CodecRegistry {
public:
    static constexpr size_t kMaxEntries = 32;

    // Starts with the BMP decoder.
    explicit CodecRegistry(DecodeLimits limits = {});

    // Adds the format's decoder: true when it was added; false when a decoder of the same
    // format code is already there, the format has no decoder or the list is full.
    bool registerDecoder(const ImageFormat& format);

    // In registration order, which is the order catchImage tries them in.
    const std::vector<DecoderEntry>& decoders() const { return decoders_; }

    const DecodeLimits& limits() const { return limits_; }

private:
    bool addDecoder(DecoderEntry entry);

    DecodeLimits limits_;
    std::vector<DecoderEntry> decoders_;
};

// BMP, then the decoder of every format of the table (imageFormats()) in its order: the
// decoders start-up registers.
CodecRegistry makeStandardRegistry(DecodeLimits limits = {});

// A registry like makeStandardRegistry()'s, built on first use and never changed.
const CodecRegistry& standardRegistry();

}  // namespace tesselon
