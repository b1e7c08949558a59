// JPEG through libjpeg (libjpeg-turbo's extended colour spaces).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/encode_options.h"
#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

bool probeJpeg(const uint8_t* data, size_t size);

// Grey, colour and CMYK (Adobe's inverted CMYK too) to 24-bit pixels; the source depth is
// 8 per colour component. Data that ends before the image does is a failure.
std::optional<ImageObject> decodeJpeg(const uint8_t* data, size_t size, const DecodeLimits& limits);

// The rows of a JPEG decoded a band at a time, top row first, exactly as decodeJpeg
// decodes them: a pass that moves each band elsewhere at once never needs the picture
// whole. Movable; the data must outlive the reader.
class JpegBandReader {
public:
    // Nothing where decodeJpeg would fail before its first row: not a JPEG, a header
    // that does not read, a size beyond the limits.
    static std::optional<JpegBandReader> open(const uint8_t* data, size_t size, const DecodeLimits& limits);

    JpegBandReader(JpegBandReader&&) noexcept;
    JpegBandReader& operator=(JpegBandReader&&) noexcept;
    ~JpegBandReader();

    int width() const;
    int height() const;
    uint8_t sourceDepth() const;  // as decodeJpeg sets it
    int nextRow() const;          // the picture row the next read starts at

    // The next `count` rows into rows 0 to count - 1 of `band`, a 24-bit image of the
    // picture's width. False where decodeJpeg fails (the data ends early or is broken)
    // or when the band cannot take them; the reader is of no further use then.
    bool read(ImageObject& band, int count);

private:
    struct State;
    explicit JpegBandReader(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// A progressive file's picture as its first scans give it, decoded at an eighth, a
// quarter or a half of its size (the smallest whose longer side reaches `longSide`): the
// look of the image long before all its scans are read. Nothing for a file of a single
// scan, one too small for a half, or a failure.
std::optional<ImageObject> decodeJpegFirstScans(const uint8_t* data, size_t size, const DecodeLimits& limits,
                                                int longSide);

// Three-component JPEG with libjpeg's defaults at the options' quality (0 gives libjpeg's
// lowest); the depth is not used. 32-bit rows are read as blue, green, red with the
// alpha byte ignored. The metadata, when given, is written after the file header.
std::optional<std::string> encodeJpeg(const PixelRows& rows, const EncodeOptions& options);

}  // namespace tesselon
