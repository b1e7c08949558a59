#include "runtime/drawing/raster_drawing.h"

#include <algorithm>

#include "runtime/drawing/colour.h"

namespace tesselon {

namespace {

bool drawable(const ImageObject& image) {
    return image.valid() && (image.depth == 24 || image.depth == 32);
}

// Half-open span [begin, end) of one axis after clipping to [0, limit).
struct Span {
    int64_t begin;
    int64_t end;
    bool empty() const { return begin >= end; }
};

Span clip(int64_t begin, int64_t end, int limit) {
    return {std::max<int64_t>(begin, 0), std::min<int64_t>(end, limit)};
}

uint8_t roundedDivide(uint64_t numerator, uint64_t denominator) {
    return uint8_t((numerator + denominator / 2) / denominator);
}

}  // namespace

std::optional<RasterDrawing> RasterDrawing::start(ImageObject& image) {
    if (!drawable(image))
        return std::nullopt;
    return RasterDrawing(image);
}

void RasterDrawing::setMode(uint32_t flags) {
    if (image_->depth == 24 && (flags & kRasterAllChannels))
        flags &= ~uint32_t(kRasterAllChannels | kRasterAlphaChannel | kRasterAlphaBlend | kRasterAlphaClip);
    mode_ = flags;
}

void RasterDrawing::writePixel(uint8_t* p, uint8_t b, uint8_t g, uint8_t r, uint8_t a) const {
    if (image_->depth == 24) {
        if (mode_ & kRasterAlphaChannel)
            return;
        if (mode_ & kRasterAlphaBlend) {
            const unsigned keep = 255u - a;
            p[0] = roundedDivide(b * a + p[0] * keep, 255);
            p[1] = roundedDivide(g * a + p[1] * keep, 255);
            p[2] = roundedDivide(r * a + p[2] * keep, 255);
            return;
        }
        p[0] = b;
        p[1] = g;
        p[2] = r;
        return;
    }
    if (mode_ & kRasterAllChannels) {
        p[0] = b;
        p[1] = g;
        p[2] = r;
        p[3] = a;
    } else if (mode_ & kRasterAlphaChannel) {
        p[3] = a;
    } else if (mode_ & kRasterAlphaBlend) {
        // Source-over on straight alpha: the weights are a*255 for the colour and
        // pa*(255-a) for what shows through, which keeps the sums exact in integers.
        const uint64_t own = uint64_t(a) * 255;
        const uint64_t under = uint64_t(p[3]) * (255u - a);
        const uint64_t total = own + under;
        if (total == 0)
            return;
        p[0] = roundedDivide(b * own + p[0] * under, total);
        p[1] = roundedDivide(g * own + p[1] * under, total);
        p[2] = roundedDivide(r * own + p[2] * under, total);
        p[3] = roundedDivide(total, 255);
    } else {
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
}

void RasterDrawing::box(int x, int y, int width, int height, uint32_t colour) {
    int64_t left = x, top = y, w = width, h = height;
    if (w < 0) {
        left += w;
        w = -w;
    }
    if (h < 0) {
        top += h;
        h = -h;
    }
    if (w == 0 || h == 0)
        return;
    const int64_t right = left + w;  // exclusive
    const int64_t bottom = top + h;  // exclusive
    const Span xs = clip(left, right, image_->width);
    const Span ys = clip(top, bottom, image_->height);
    if (xs.empty() || ys.empty())
        return;

    const uint8_t r = red(colour), g = green(colour), b = blue(colour), a = alpha(colour);
    const int bpp = image_->bytesPerPixel();
    const bool outlined = (mode_ & kRasterOutlined) != 0;
    for (int64_t row = ys.begin; row < ys.end; ++row) {
        uint8_t* line = image_->row(int(row));
        if (!outlined || row == top || row == bottom - 1) {
            for (int64_t col = xs.begin; col < xs.end; ++col)
                writePixel(line + col * bpp, b, g, r, a);
            continue;
        }
        // Side edges only; a box one pixel wide has a single edge, written once so
        // that blending does not apply twice.
        if (left >= xs.begin && left < xs.end)
            writePixel(line + left * bpp, b, g, r, a);
        if (right - 1 != left && right - 1 >= xs.begin && right - 1 < xs.end)
            writePixel(line + (right - 1) * bpp, b, g, r, a);
    }
}

void RasterDrawing::drawImage(const ImageObject& src, int x, int y) {
    drawImage(src, x, y, src.width, src.height);
}

void RasterDrawing::drawImage(const ImageObject& src, int x, int y, int width, int height) {
    if (!drawable(src) || width < 1 || height < 1)
        return;
    if (&src == image_) {
        // Rows would be read after being overwritten.
        const ImageObject copy = src;
        drawImage(copy, x, y, width, height);
        return;
    }
    const Span xs = clip(x, int64_t(x) + width, image_->width);
    const Span ys = clip(y, int64_t(y) + height, image_->height);
    if (xs.empty() || ys.empty())
        return;

    const int srcBpp = src.bytesPerPixel();
    const int dstBpp = image_->bytesPerPixel();
    const bool srcAlpha = src.depth == 32;
    // Nearest neighbour at pixel centres; with the source's own size this is a plain copy.
    auto sourceIndex = [](int64_t offset, int64_t srcSize, int64_t dstSize) {
        return (offset * 2 + 1) * srcSize / (dstSize * 2);
    };
    for (int64_t row = ys.begin; row < ys.end; ++row) {
        const uint8_t* srcLine = src.row(int(sourceIndex(row - y, src.height, height)));
        uint8_t* dstLine = image_->row(int(row));
        for (int64_t col = xs.begin; col < xs.end; ++col) {
            const uint8_t* s = srcLine + sourceIndex(col - x, src.width, width) * srcBpp;
            writePixel(dstLine + col * dstBpp, s[0], s[1], s[2], srcAlpha ? s[3] : 255);
        }
    }
}

}  // namespace tesselon
