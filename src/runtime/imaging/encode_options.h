// What an encoder is asked for besides the pixels: the quality, the depth, the metadata
// to embed and how hard to compress.
#pragma once

#include <cstdint>

#include "runtime/imaging/embedded_metadata.h"

namespace tesselon {

// The image service's default quality level, and the depth meaning "as the source was".
constexpr int kDefaultSaveQuality = 7;
constexpr int kDepthOfSource = -1;

// The quality a lossy encoder writes at, on the 0..100 scale libjpeg, libwebp, libavif
// and libheif share (0 is each library's lowest). The two ways of making one are the
// only places a quality is clamped, so every encoder can take the value as it is.
class EncodeQuality {
public:
    // A result's quality as the settings and tesselon-batch hold it: 0 or less means the
    // encoders' default of 80, and anything above 100 means 100.
    static constexpr EncodeQuality ofPercent(int percent) {
        return EncodeQuality(percent <= 0 ? kDefaultPercent : percent > 100 ? 100 : percent);
    }
    // The image service's quality levels 0..10 (clamped), ten per level: the default
    // level 7 is 70, level 0 the lowest.
    static constexpr EncodeQuality ofLevel(int level) {
        return EncodeQuality(10 * (level < 0 ? 0 : level > 10 ? 10 : level));
    }

    constexpr int value() const { return value_; }
    friend constexpr bool operator==(EncodeQuality, EncodeQuality) = default;

private:
    static constexpr int kDefaultPercent = 80;
    constexpr explicit EncodeQuality(int value) : value_(value) {}
    int value_;
};

// How hard the lossless encoders (PNG) work. The image service's own saves compress as
// far as they go; results, written once per image of every batch, take a faster setting
// that costs about 1% in size.
enum class EncodeEffort : uint8_t { Smallest, Quick };

struct EncodeOptions {
    EncodeQuality quality = EncodeQuality::ofLevel(kDefaultSaveQuality);
    // Bits per pixel asked for: 1, 2, 4, 8 (a palette, where the format has one), 16, 24
    // or 32; kDepthOfSource is the depth the image was decoded from. Encoders receive
    // the depth already resolved.
    int depth = kDepthOfSource;
    // What to embed besides the pixels, as far as the format can carry it.
    const EmbeddedMetadata* metadata = nullptr;
    EncodeEffort effort = EncodeEffort::Smallest;
    // The threads the encoder may run for this one image (AVIF, WebP and HEIC use them;
    // the others encode on the calling thread). The file's bytes are the same for any
    // number, so a caller gives what the machine has free at that moment.
    int threads = 1;
};

}  // namespace tesselon
