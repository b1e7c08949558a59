// Direct pixel drawing on an image: filled boxes, image copies and raw buffer access.
//
// A RasterDrawing is bound to one image for its lifetime and writes straight into the
// image's pixels (rows bottom-up, BGR or BGRA with straight alpha). Coordinates count
// from the top-left corner; everything is clipped to the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "runtime/imaging/image_object.h"

namespace tesselon {

// Drawing mode flags. The transparent, xor, alpha-clip, gradient and custom-filter
// flags are accepted and have no effect.
enum RasterMode : uint32_t {
    kRasterDefault = 0,           // colour bytes written, alpha untouched
    kRasterTransparent = 0x01,
    kRasterXor = 0x02,
    kRasterOutlined = 0x04,       // boxes drawn as 1-pixel outlines
    kRasterAlphaChannel = 0x08,   // only the alpha byte written (32-bit targets)
    kRasterAlphaBlend = 0x10,     // colour blended over the pixel by its alpha
    kRasterAlphaClip = 0x20,
    kRasterGradient = 0x40,
    kRasterCustomFilter = 0x80,
    kRasterAllChannels = 0x100,   // all four bytes written (32-bit targets)
};

class RasterDrawing {
public:
    // Empty when the image is not a plain bitmap this service can draw on.
    static std::optional<RasterDrawing> start(ImageObject& image);

    RasterDrawing(const RasterDrawing&) = delete;
    RasterDrawing& operator=(const RasterDrawing&) = delete;
    RasterDrawing(RasterDrawing&&) noexcept = default;
    RasterDrawing& operator=(RasterDrawing&&) noexcept = default;

    // On a 24-bit target the all-channels flag is dropped together with the
    // alpha-channel, alpha-blend and alpha-clip flags.
    void setMode(uint32_t flags);
    uint32_t mode() const { return mode_; }
    void setFrontColour(uint32_t colour) { front_ = colour; }
    uint32_t frontColour() const { return front_; }
    void setBackColour(uint32_t colour) { back_ = colour; }
    uint32_t backColour() const { return back_; }

    // A negative width or height extends the box to the left or upwards from (x, y).
    void box(int x, int y, int width, int height, uint32_t colour);
    void box(int x, int y, int width, int height) { box(x, y, width, height, front_); }

    // Copies src with its top-left corner at (x, y); the second form stretches it to
    // width x height first (nearest pixel; nothing is drawn for a size below 1). Each
    // source pixel is written like a box colour whose alpha is the source's own (255
    // for 24-bit sources), so the default mode copies colour bytes only.
    void drawImage(const ImageObject& src, int x, int y);
    void drawImage(const ImageObject& src, int x, int y, int width, int height);

    // The first row in memory (the bottom row of the image) and the row pitch in bytes.
    uint8_t* bufferAddress() { return image_->pixels.data(); }
    size_t bufferPitch() const { return image_->pitch(); }
    bool bufferBottomUp() const { return true; }
    int bytesPerPixel() const { return image_->bytesPerPixel(); }
    int width() const { return image_->width; }
    int height() const { return image_->height; }

private:
    explicit RasterDrawing(ImageObject& image) : image_(&image) {}
    void writePixel(uint8_t* p, uint8_t b, uint8_t g, uint8_t r, uint8_t a) const;

    ImageObject* image_;
    uint32_t mode_ = kRasterDefault;
    uint32_t front_ = 0xFFFFFFFF;
    uint32_t back_ = 0xFF000000;
};

}  // namespace tesselon
