#include "runtime/imaging/gif_decoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "runtime/imaging/memory_source.h"
#include "runtime/imaging/pixel_allocation.h"

namespace tesselon {

namespace {

int gifRead(GifFileType* gif, GifByteType* out, int length) {
    auto* source = static_cast<MemorySource*>(gif->UserData);
    return length > 0 ? int(source->read(out, size_t(length))) : 0;
}

class GifFile {
public:
    explicit GifFile(MemorySource* source) {
        int error = 0;
        gif_ = DGifOpen(source, gifRead, &error);
    }
    ~GifFile() {
        int error = 0;
        if (gif_) DGifCloseFile(gif_, &error);
    }
    GifFile(const GifFile&) = delete;
    GifFile& operator=(const GifFile&) = delete;
    GifFileType* get() const { return gif_; }

private:
    GifFileType* gif_ = nullptr;
};

using Bgra = std::array<uint8_t, 4>;

// The logical screen, 32-bit, in the image object's bottom-up layout.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    uint8_t* at(int x, int y) { return pixels.data() + (size_t(height - 1 - y) * size_t(width) + size_t(x)) * 4; }

    void fill(int left, int top, int right, int bottom, const Bgra& colour) {
        for (int y = std::max(top, 0); y < std::min(bottom, height); ++y) {
            for (int x = std::max(left, 0); x < std::min(right, width); ++x) std::memcpy(at(x, y), colour.data(), 4);
        }
    }
};

// Rows of an interlaced frame arrive in four passes: every 8th from 0, every 8th from 4,
// every 4th from 2, every 2nd from 1.
std::vector<int> rowOrder(int height, bool interlaced) {
    std::vector<int> order;
    order.reserve(size_t(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) order.push_back(y);
        return order;
    }
    constexpr int kStart[] = {0, 4, 2, 1};
    constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
    }
    return order;
}

Bgra mapColour(const ColorMapObject* map, int index) {
    if (!map || index >= map->ColorCount) return {0, 0, 0, 255};
    const GifColorType& c = map->Colors[index];
    return {c.Blue, c.Green, c.Red, 255};
}

enum class Step { Continue, Finished, Failed };

class GifComposer {
public:
    GifComposer(GifFileType* gif, const MemorySource& source, const DecodeLimits& limits)
        : gif_(gif), source_(source), limits_(limits) {}

    std::optional<ImageObject> run();

private:
    Step readExtension();
    Step readFrame();
    bool startCanvas(const GifImageDesc& first);
    bool storeFrame();
    // A read error where the data simply ends between records after a complete frame is
    // a file without its trailer byte, which many writers omit.
    Step endOfData() const { return frameCount_ > 0 && source_.remaining() == 0 ? Step::Finished : Step::Failed; }

    GifFileType* gif_;
    const MemorySource& source_;
    const DecodeLimits& limits_;
    GraphicsControlBlock control_{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    Canvas canvas_;
    Bgra background_{};
    ImageObject image_;
    int frameCount_ = 0;
    int delayMs_ = 0;
};

std::optional<ImageObject> GifComposer::run() {
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif_, &type) == GIF_ERROR) {
            if (endOfData() == Step::Failed) return std::nullopt;
            break;
        }
        Step step = Step::Continue;
        if (type == EXTENSION_RECORD_TYPE) {
            step = readExtension();
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            step = readFrame();
        } else if (type == TERMINATE_RECORD_TYPE) {
            step = Step::Finished;
        }
        if (step == Step::Failed) return std::nullopt;
        if (step == Step::Finished) break;
    }
    if (frameCount_ == 0) return std::nullopt;
    image_.frameCount = frameCount_;
    image_.format = kFormatGIF;
    return std::move(image_);
}

Step GifComposer::readExtension() {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif_, &code, &block) == GIF_ERROR) return endOfData();
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) DGifExtensionToGCB(4, block + 1, &control_);
    while (block) {
        if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR) return endOfData();
    }
    return Step::Continue;
}

bool GifComposer::startCanvas(const GifImageDesc& first) {
    // Some writers leave the screen size zero and let the first frame define it.
    canvas_.width = gif_->SWidth > 0 ? gif_->SWidth : first.Left + first.Width;
    canvas_.height = gif_->SHeight > 0 ? gif_->SHeight : first.Top + first.Height;
    if (!imageSizeAllowed(canvas_.width, canvas_.height, limits_.maxPixels)) return false;
    std::optional<ImageObject> image = allocateImage(canvas_.width, canvas_.height, 32, limits_.maxPixels);
    if (!image) return false;
    image_ = std::move(*image);
    image_.sourceDepth = 8;
    if (control_.TransparentColor == NO_TRANSPARENT_COLOR) {
        background_ = mapColour(gif_->SColorMap, gif_->SBackGroundColor);
    }
    canvas_.pixels.resize(image_.pixels.size());
    canvas_.fill(0, 0, canvas_.width, canvas_.height, background_);
    return true;
}

bool GifComposer::storeFrame() {
    const uint64_t frameBytes = canvas_.pixels.size();
    if (frameCount_ >= limits_.maxFrames || uint64_t(frameCount_ + 1) * frameBytes > limits_.maxTotalFrameBytes) {
        return false;
    }
    if (frameCount_ == 0) {
        image_.pixels = canvas_.pixels;
        image_.firstFrameDelayMs = delayMs_;
    } else {
        image_.frames.push_back(ImageFrame{canvas_.pixels, delayMs_});
    }
    ++frameCount_;
    return true;
}

Step GifComposer::readFrame() {
    if (DGifGetImageDesc(gif_) == GIF_ERROR) return endOfData();
    const GifImageDesc desc = gif_->Image;
    if (desc.Width <= 0 || desc.Height <= 0 || uint64_t(desc.Width) * uint64_t(desc.Height) > limits_.maxPixels) {
        return Step::Failed;
    }
    if (frameCount_ == 0 && !startCanvas(desc)) return Step::Failed;
    if (frameCount_ >= limits_.maxFrames) return Step::Failed;

    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif_->SColorMap;
    std::vector<uint8_t> saved;
    if (control_.DisposalMode == DISPOSE_PREVIOUS) saved = canvas_.pixels;
    std::vector<GifPixelType> line(size_t(desc.Width));
    for (int y : rowOrder(desc.Height, desc.Interlace)) {
        if (DGifGetLine(gif_, line.data(), desc.Width) == GIF_ERROR) return Step::Failed;
        const int canvasY = desc.Top + y;
        if (canvasY >= canvas_.height) continue;
        for (int x = 0; x < desc.Width; ++x) {
            const int canvasX = desc.Left + x;
            if (canvasX >= canvas_.width) break;
            if (line[size_t(x)] == control_.TransparentColor) continue;
            const Bgra colour = mapColour(map, line[size_t(x)]);
            std::memcpy(canvas_.at(canvasX, canvasY), colour.data(), 4);
        }
    }
    delayMs_ = control_.DelayTime * 10;
    if (!storeFrame()) return Step::Failed;

    if (control_.DisposalMode == DISPOSE_BACKGROUND) {
        canvas_.fill(desc.Left, desc.Top, desc.Left + desc.Width, desc.Top + desc.Height, background_);
    } else if (control_.DisposalMode == DISPOSE_PREVIOUS) {
        canvas_.pixels = std::move(saved);
    }
    control_ = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    return Step::Continue;
}

}  // namespace

bool probeGif(const uint8_t* data, size_t size) {
    return size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0);
}

std::optional<ImageObject> decodeGif(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    if (!probeGif(data, size)) return std::nullopt;
    try {
        MemorySource source{data, size};
        GifFile file(&source);
        if (!file.get()) return std::nullopt;
        return GifComposer(file.get(), source, limits).run();
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace tesselon
