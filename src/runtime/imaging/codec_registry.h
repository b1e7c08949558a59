// The ordered lists of decoders and encoders an image service works with.
//
// The program owns one registry and fills it once at start-up; afterwards it is only
// read, so any number of threads may decode and encode through it at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "runtime/imaging/embedded_metadata.h"
#include "runtime/imaging/image_limits.h"
#include "runtime/imaging/image_object.h"
#include "runtime/imaging/pixel_rows.h"

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

struct EncodeRequest {
    PixelRows rows;
    int quality = 7;  // as given to saveImage; each encoder reads it its own way
    int depth = 24;   // bits per pixel asked for: 1, 2, 4, 8, 16, 24 or 32
    // What to embed besides the pixels, for the encoders that can: JPEG keeps both
    // parts, PNG the profile.
    const EmbeddedMetadata* metadata = nullptr;
    // The format of a result, for the program's own "Sys" encoder, which writes them all.
    const ImageFormat* result = nullptr;
};

// The encoded file's bytes, or nothing on failure.
using EncodeOperation = std::function<std::optional<std::string>(const EncodeRequest&)>;

struct EncoderEntry {
    uint32_t format = kFormatNone;
    EncodeOperation encode24;  // for 24-bit pixels; may be empty
    EncodeOperation encode32;  // for 32-bit pixels; may be empty
};

enum class BuiltinEncoder { BMP, PNG, JPEG };

class CodecRegistry {
public:
    static constexpr size_t kMaxEntries = 32;

    // Starts with the BMP decoder and encoder.
    explicit CodecRegistry(DecodeLimits limits = {});

    // Each returns true when the codec was added; false when the same codec (or an
    // encoder for the same format code) is already there, the format has no decoder or
    // the list is full.
    bool registerDecoder(const ImageFormat& format);
    bool registerEncoder(BuiltinEncoder encoder);
    bool registerEncoder(uint32_t format, EncodeOperation encode24, EncodeOperation encode32);

    // In registration order, which is the order catchImage tries them in.
    const std::vector<DecoderEntry>& decoders() const { return decoders_; }
    const std::vector<EncoderEntry>& encoders() const { return encoders_; }
    const EncoderEntry* findEncoder(uint32_t format) const;
    bool hasEncoder(uint32_t format) const { return findEncoder(format) != nullptr; }

    const DecodeLimits& limits() const { return limits_; }

private:
    bool addDecoder(DecoderEntry entry);
    bool addEncoder(EncoderEntry entry);

    DecodeLimits limits_;
    std::vector<DecoderEntry> decoders_;
    std::vector<EncoderEntry> encoders_;
};

// BMP, then the decoder of every format of the table (imageFormats()) in its order, and
// the PNG and JPEG encoders: the registry start-up builds before it adds its own encoder.
CodecRegistry makeStandardRegistry(DecodeLimits limits = {});

// A registry like makeStandardRegistry()'s, built on first use and never changed.
const CodecRegistry& standardRegistry();

}  // namespace tesselon
