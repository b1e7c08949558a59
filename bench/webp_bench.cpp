// Times the WebP result encoder on files as a batch has them before saving: each file
// given is decoded once, then encoded as tesselon-batch writes WebP results at the
// quality, on one thread.
//
// Usage: webp_bench QUALITY REPEATS FILE...
// Prints, per file: the best encode time of the repeats in milliseconds and the bytes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/program_setup.h"
#include "processing/output/save_output.h"
#include "runtime/imaging/image_formats.h"
#include "runtime/imaging/image_operations.h"

using namespace tesselon;

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: webp_bench QUALITY REPEATS FILE...\n");
        return 2;
    }
    const int quality = std::atoi(argv[1]);
    const int repeats = std::max(1, std::atoi(argv[2]));
    CodecRegistry codecs;
    registerProgramDecoders(codecs);
    const ImageFormat* webp = formatBySettingsValue("webp");
    for (int i = 3; i < argc; ++i) {
        const std::optional<ImageObject> image = loadImage(argv[i], codecs);
        if (!image) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        double best = 1e300;
        size_t bytes = 0;
        for (int r = 0; r < repeats; ++r) {
            const auto start = std::chrono::steady_clock::now();
            const std::optional<std::string> encoded = encodeOutput(*image, webp, quality);
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            if (!encoded) {
                std::fprintf(stderr, "encoding %s failed\n", argv[i]);
                return 1;
            }
            best = std::min(best, took.count());
            bytes = encoded->size();
        }
        std::printf("%s %.1f %zu\n", argv[i], best, bytes);
    }
    return 0;
}
