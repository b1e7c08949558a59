// The AVIF, WebP and HEIC encoders given more than one thread: the file is the same
// bytes whatever the number, and the work does spread.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <initializer_list>
#include <string>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/heif_codec.h"
#include "runtime/imaging/image_formats.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "support/thread_peak.h"

namespace tesselon {
namespace {

constexpr const char* kPhoto = "/usr/share/backgrounds/mate/nature/LadyBird.jpg";

// A piece of a real photograph (2560 x 1600), at most width x height.
ImageObject photoPiece(int width, int height) {
    const std::optional<ImageObject> photo = loadImage(kPhoto, standardRegistry());
    if (!photo) return {};
    return *grabImage(*photo, (photo->width - width) / 2, (photo->height - height) / 2, width, height);
}

// The same piece with an alpha channel that fades from opaque to clear, and a hole.
ImageObject withFadingAlpha(const ImageObject& opaque) {
    ImageObject image = *createImage(opaque.width, opaque.height, 32, 0);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* s = opaque.row(y);
        uint8_t* d = image.row(y);
        for (int x = 0; x < image.width; ++x, s += 3, d += 4) {
            d[0] = s[0], d[1] = s[1], d[2] = s[2];
            const int dx = x - image.width / 2, dy = y - image.height / 2;
            d[3] = dx * dx + dy * dy < 80 * 80 ? 0 : uint8_t(255 - 255 * x / image.width);
        }
    }
    return image;
}

std::optional<std::string> encodeOn(const char* extension, const ImageObject& image, int threads) {
    EncodeOptions options;
    options.quality = EncodeQuality::ofPercent(80);
    options.depth = image.depth;
    options.threads = threads;
    return encodeImage(image, *formatByExtension(extension), options);
}

// Encodes on every number of threads given and expects one file, which decodes.
void expectSameFileOnAnyThreads(const char* extension, const ImageObject& image, std::initializer_list<int> threads) {
    ASSERT_GT(image.width, 0) << "the photograph " << kPhoto << " is missing";
    const std::optional<std::string> one = encodeOn(extension, image, 1);
    ASSERT_TRUE(one.has_value());
    for (int n : threads) {
        const std::optional<std::string> more = encodeOn(extension, image, n);
        ASSERT_TRUE(more.has_value()) << n << " threads";
        EXPECT_TRUE(*more == *one) << extension << " on " << n << " threads differs from one thread";
    }
    const std::optional<ImageObject> back =
        catchImage(reinterpret_cast<const uint8_t*>(one->data()), one->size(), standardRegistry());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->width, image.width);
    EXPECT_EQ(back->height, image.height);
}

// CPU seconds of the whole process and of the calling thread.
struct CpuTimes {
    double process = 0, thisThread = 0;
};

double seconds(const rusage& usage) {
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

CpuTimes cpuNow() {
    rusage self{}, thread{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_THREAD, &thread);
    return {seconds(self), seconds(thread)};
}

// The share of the encode's CPU time that ran on threads other than the caller's.
double shareOffTheCallingThread(const ImageObject& image, int threads) {
    const CpuTimes before = cpuNow();
    EXPECT_TRUE(encodeOn("avif", image, threads).has_value());
    const CpuTimes after = cpuNow();
    const double total = after.process - before.process;
    return total > 0 ? (total - (after.thisThread - before.thisThread)) / total : 0;
}

TEST(EncoderThreads, AvifIsTheSameFileOnOneTwoAndFourThreads) {
    // Large enough for four tiles.
    expectSameFileOnAnyThreads("avif", photoPiece(1100, 1040), {2, 4});
}

TEST(EncoderThreads, AvifWithAlphaIsTheSameFileOnAnyThreads) {
    expectSameFileOnAnyThreads("avif", withFadingAlpha(photoPiece(1100, 500)), {3});
}

TEST(EncoderThreads, WebpIsTheSameFileOnAnyThreadsWithOrWithoutAlpha) {
    const ImageObject piece = photoPiece(900, 700);
    expectSameFileOnAnyThreads("webp", piece, {2, 4});
    expectSameFileOnAnyThreads("webp", withFadingAlpha(piece), {2});
}

TEST(EncoderThreads, HeicIsTheSameFileOnAnyThreads) {
    if (!heicEncoderPresent()) GTEST_SKIP() << "libheif has no HEVC encoder here";
    expectSameFileOnAnyThreads("heic", photoPiece(480, 360), {3});
}

TEST(EncoderThreads, ALoneAvifEncodeRunsOnTheThreadsItIsGiven) {
    const ImageObject piece = photoPiece(1100, 1040);
    ASSERT_GT(piece.width, 0);
    // CPU time counts whatever else the machine runs: a share, not a speed.
    EXPECT_LT(shareOffTheCallingThread(piece, 1), 0.05);
    EXPECT_GT(shareOffTheCallingThread(piece, 2), 0.2);
}

TEST(EncoderThreads, HeicStartsNoPoolOnEveryCoreForOneThread) {
    if (!heicEncoderPresent()) GTEST_SKIP() << "libheif has no HEVC encoder here";
    const ImageObject piece = photoPiece(320, 240);
    ASSERT_GT(piece.width, 0);
    const int alone = testing::peakThreadsDuring([&] { EXPECT_TRUE(encodeOn("heic", piece, 1).has_value()); });
    // More threads than this machine may have cores: x265's own choice would be fewer.
    const int wide = testing::peakThreadsDuring([&] { EXPECT_TRUE(encodeOn("heic", piece, 6).has_value()); });
    EXPECT_GE(wide - alone, 4);
}

}  // namespace
}  // namespace tesselon
