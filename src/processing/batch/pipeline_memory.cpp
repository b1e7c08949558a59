#include "processing/batch/pipeline_memory.h"

#include <algorithm>

#include "processing/filters/resize_for_output.h"
#include "processing/filters/rotation_layout.h"

namespace tesselon {

namespace {

// Fonts, cairo's and the encoders' tables, thread stacks: everything not per pixel.
constexpr uint64_t kFixedOverhead = uint64_t(32) << 20;

uint64_t bytes32(double pixels) { return uint64_t(std::max(pixels, 0.0) * 4.0); }

// The size resizeForOutput gives, in pixels, reckoned in double: a bound is enough.
double resizedPixels(const STRProcesosImage& s, double width, double height) {
    if (s.ResizeProporcional != 0) {
        const double target = width >= height ? s.ResizeH : s.ResizeV;
        if (target < 1) return width * height;
        const double factor = target / std::max(width, height);
        return std::max(1.0, width * factor) * std::max(1.0, height * factor);
    }
    if (s.ResizeH < 1 || s.ResizeV < 1) return width * height;
    return double(s.ResizeH) * double(s.ResizeV);
}

}  // namespace

uint64_t pipelineMemoryBound(const DeclaredImage& d, uint64_t fileBytes, const PipelineSettings& settings,
                             const PipelineJob& job) {
    const STRProcesosImage& s = settings.image;
    double width = double(d.width), height = double(d.height);
    const uint64_t image = bytes32(width * height);
    // Every phase holds the working image and what that phase makes besides it.
    uint64_t peak = fileBytes + decodeMemoryBound(d);
    if (d.format == kFormatGIF) {
        // Preparation: the decoded frames, the flattened and indexed copies, the PNG
        // made of them and the image read back from it.
        const uint64_t frames = std::min(image * uint64_t(std::max<int64_t>(d.frames, 1)), kMaxTotalFrameBytes);
        peak = std::max(peak, frames + image * 3);
    }
    // Colour operations and the text step: the image, a copy, and the text's untouched copy.
    peak = std::max(peak, image * 3);
    if (s.Rotar >= 1 && s.Rotar <= 359 && d.width > 0 && d.height > 0 && d.width <= 32767 && d.height <= 32767) {
        const RotationLayout layout = rotationLayout(int(d.width), int(d.height), s.Rotar);
        const double turned = double(layout.resultWidth) * double(layout.resultHeight);
        peak = std::max(peak, image + bytes32(turned));
        width = layout.resultWidth;
        height = layout.resultHeight;
        peak = std::max(peak, bytes32(turned) * 3);  // text after the rotation
    }
    double out = width * height;
    if (job.resize) {
        const std::optional<ResizeBox>& box = settings.refinements.resizeBox;
        const BoxedSize boxed = box ? sizeInBox(width, height, *box) : BoxedSize{};
        out = std::min(box ? std::max(1.0, boxed.width) * std::max(1.0, boxed.height) : resizedPixels(s, width, height),
                       double(kMaxImagePixels));
        // Resampling keeps a float intermediate of four channels beside both images.
        const double middle = std::min(out, width * height) * 4.0;
        peak = std::max(peak, bytes32(width * height) + bytes32(out) + bytes32(middle));
    }
    // Encoding: the image, a flattened copy and the compressed bytes, and what the
    // format's encoder holds besides.
    const double encoder = job.plan.format ? double(job.plan.format->encoderBytesPerPixel) * out : 0.0;
    peak = std::max(peak, bytes32(out) * 3 + uint64_t(encoder));
    return peak + kFixedOverhead;
}

}  // namespace tesselon
