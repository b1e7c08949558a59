// Times the pixel filters and the rotation on a 12-megapixel photo-like image on one
// thread, and measures the memory the rotation needs besides its source and result.
//
// Usage: filters_bench [width height] [repeats] [--two-canvas]
// Each time is the best of the repeats. "Peak extra" is the growth of the resident set
// over the source image alone while the rotation runs, read from the kernel's peak
// counter (reset before each run), so it includes the result. --two-canvas also runs the
// construction with both canvases in full for comparison.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "processing/filters/filters.h"
#include "runtime/drawing/raster_drawing.h"
#include "runtime/drawing/vector_drawing.h"
#include "runtime/imaging/image_operations.h"

using namespace tesselon;

namespace {

double bestMilliseconds(int repeats, const std::function<void()>& run) {
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// Gradients with fine noise, so that neither the filters nor the resampling meet
// uniform areas that would flatter them.
ImageObject photoLike(int width, int height) {
    ImageObject image = *createImage(width, height, 24, 0);
    unsigned seed = 7;
    for (int y = 0; y < height; ++y) {
        uint8_t* p = image.row(y);
        for (int x = 0; x < width; ++x, p += 3) {
            seed = seed * 1103515245u + 12345u;
            const int noise = int((seed >> 16) & 31) - 16;
            p[0] = uint8_t(std::clamp(x * 255 / width + noise, 0, 255));
            p[1] = uint8_t(std::clamp(y * 255 / height + noise, 0, 255));
            p[2] = uint8_t(std::clamp((x + y) * 255 / (width + height) + noise, 0, 255));
        }
    }
    return image;
}

long statusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    return -1;
}

// Megabytes by which the resident set grows above where it stood before the run.
double peakExtraMegabytes(const std::function<void()>& run) {
    std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak to the current size
    const long before = statusKilobytes("VmRSS:");
    run();
    const long peak = statusKilobytes("VmHWM:");
    return (peak - before) / 1024.0;
}

std::optional<ImageObject> twoCanvasRotation(const ImageObject& source, int degrees, uint32_t background) {
    const int w = source.width, h = source.height;
    const int requestWidth = w > h ? w + 6 : h + 6, requestHeight = w > h ? w + 8 : h + 6;
    std::optional<ImageObject> first = makeRotationCanvas(requestWidth, requestHeight, degrees, background, false);
    std::optional<ImageObject> second = makeRotationCanvas(requestWidth, requestHeight, degrees, background, false);
    if (!first || !second) return std::nullopt;
    RasterDrawing::start(*first)->drawImage(source, first->width / 2 - w / 2, first->height / 2 - h / 2);
    {
        std::optional<VectorDrawing> vector = VectorDrawing::start(*second);
        if (!vector) return std::nullopt;
        vector->rotateCoordinates(vector->outputWidth() * 0.5, vector->outputHeight() * 0.5, degrees);
        vector->movePathCursor(0, 0);
        vector->drawVectorImage(*first, 255);
    }
    first.reset();
    const RotatedSize turned = rotatedSize(w, h, degrees);
    return grabImage(*second, second->width / 2 - turned.width / 2 - 3, second->height / 2 - turned.height / 2 - 3,
                     turned.width + 6, turned.height + 6);
}

}  // namespace

int main(int argc, char** argv) {
    int width = 4000, height = 3000, repeats = 3;
    bool twoCanvas = false;
    int position = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--two-canvas") == 0) {
            twoCanvas = true;
            continue;
        }
        const int value = std::atoi(argv[i]);
        if (position == 0) width = value;
        if (position == 1) height = value;
        if (position == 2) repeats = std::max(1, value);
        ++position;
    }
    const ImageObject photo = photoLike(width, height);
    const double megapixels = width * double(height) / 1e6;
    const double imageMegabytes = photo.pixels.size() / 1048576.0;
    std::printf("%d x %d, 24-bit, %.1f megapixels, %.1f MB decoded\n", width, height, megapixels, imageMegabytes);

    ImageObject work = *copyImage(photo);
    const auto report = [&](const char* name, double ms) {
        std::printf("%-28s %9.1f ms %7.2f ms/MP\n", name, ms, ms / megapixels);
    };
    report("contrast 40", bestMilliseconds(repeats, [&] { applyContrast(work, 40); }));
    report("grey scale", bestMilliseconds(repeats, [&] { applyGreyScale(work); }));
    report("invert", bestMilliseconds(repeats, [&] { applyInvert(work); }));
    report("tint 30%", bestMilliseconds(repeats, [&] { applyTint(work, 0x0000FF, 30); }));
    report("mirror horizontal", bestMilliseconds(repeats, [&] { mirrorImage(work, false); }));
    report("mirror vertical", bestMilliseconds(repeats, [&] { mirrorImage(work, true); }));
    work = ImageObject{};

    for (const int degrees : {90, 33}) {
        std::optional<ImageObject> turned;
        const double ms = bestMilliseconds(repeats, [&] {
            turned.reset();
            turned = rotateImage(photo, degrees, 0x00FFFFFF);
        });
        const int resultWidth = turned ? turned->width : 0, resultHeight = turned ? turned->height : 0;
        turned.reset();
        const double extra = peakExtraMegabytes([&] { turned = rotateImage(photo, degrees, 0x00FFFFFF); });
        const double resultMegabytes = turned ? turned->pixels.size() / 1048576.0 : 0;
        turned.reset();
        std::printf("rotate %3d -> %d x %d: %9.1f ms, peak extra %.1f MB (result %.1f MB, %.2f decoded images)\n",
                    degrees, resultWidth, resultHeight, ms, extra, resultMegabytes, extra / imageMegabytes);
        if (twoCanvas) {
            std::optional<ImageObject> reference;
            const auto start = std::chrono::steady_clock::now();
            const double referenceExtra =
                peakExtraMegabytes([&] { reference = twoCanvasRotation(photo, degrees, 0x00FFFFFF); });
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            std::printf("  two canvases in full:   %9.1f ms, peak extra %.1f MB (%.2f decoded images)\n",
                        took.count(), referenceExtra, referenceExtra / imageMegabytes);
        }
    }
    return 0;
}
