// libFuzzer target: arbitrary bytes through the header readers that size the memory
// budget, the metadata readers and catchImage, and whatever decodes through a resize and
// the encoders. Built and run by fuzz/run.
#include <cstddef>
#include <cstdint>

#include "runtime/imaging/embedded_metadata.h"
#include "runtime/imaging/image_header.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_resize.h"
#include "runtime/imaging/image_save.h"

namespace {

// Smaller than the program's limits so that the fuzzer spends its time on parsing rather
// than on filling legitimately large buffers.
tesselon::DecodeLimits fuzzLimits() {
    tesselon::DecodeLimits limits;
    limits.maxPixels = 1 << 22;
    limits.maxTotalFrameBytes = 64 << 20;
    limits.maxFrames = 256;
    limits.maxCodecMemory = 128 << 20;
    return limits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const tesselon::CodecRegistry registry = tesselon::makeStandardRegistry(fuzzLimits());
    tesselon::MemoryByteReader reader(data, size);
    if (const std::optional<tesselon::DeclaredImage> declared = tesselon::readDeclaredImage(reader, registry)) {
        tesselon::limitsForDeclared(*declared, registry.limits());
        tesselon::decodeMemoryBound(*declared);
    }
    tesselon::readEmbeddedMetadata(data, size);
    std::optional<tesselon::ImageObject> image = tesselon::catchImage(data, size, registry);
    if (!image || image->width > 512 || image->height > 512) return 0;
    const tesselon::ImageFormat& png = *tesselon::formatByExtension("png");
    const tesselon::EncodeQuality quality = tesselon::EncodeQuality::ofLevel(7);
    tesselon::encodeImage(*image, png, {quality, image->depth});
    // At the source's depth a palette image goes through the palette paths (exact
    // colours, or reduced with its alpha); at depth 2 most images need a reduction.
    tesselon::encodeImage(*image, png, {quality, tesselon::kDepthOfSource});
    tesselon::encodeImage(*image, png, {quality, 2});
    if (image->frameCount == 1 && tesselon::resizeImage(*image, image->width / 2 + 1, image->height + 3)) {
        tesselon::encodeImage(*image, *tesselon::formatByExtension("jpg"), {quality, 24});
    }
    return 0;
}
