// What image headers declare, read before any pixel is decoded.
#include <gtest/gtest.h>

#include "runtime/imaging/image_header.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging_test_images.h"

namespace tesselon {
namespace {

std::optional<DeclaredImage> declared(const std::string& data) {
    MemoryByteReader reader(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    return readDeclaredImage(reader, standardRegistry());
}

TEST(ImageHeaders, DeclareTheSizeOfEveryFormat) {
    testing::PngSpec png{300, 200, PNG_COLOR_TYPE_RGB, 16, false, std::vector<uint16_t>(300 * 200 * 3), {}, {}, {}};
    const std::optional<DeclaredImage> p = declared(testing::makePng(png));
    ASSERT_TRUE(p && p->sizeKnown);
    EXPECT_EQ(p->format, kFormatPNG);
    EXPECT_EQ(p->width, 300);
    EXPECT_EQ(p->height, 200);
    EXPECT_EQ(p->bitsPerSample, 16);

    for (const char* name : {"photo.jpg", "progressive.jpg", "rgba8.tif", "rgb16.tif", "rgb24.bmp", "adam7.png"}) {
        const std::string data = testing::imageFixture(name);
        const std::optional<DeclaredImage> d = declared(data);
        const std::optional<ImageObject> image = catchImage(reinterpret_cast<const uint8_t*>(data.data()), data.size(),
                                                            standardRegistry());
        ASSERT_TRUE(d && d->sizeKnown && image) << name;
        EXPECT_EQ(d->width, image->width) << name;
        EXPECT_EQ(d->height, image->height) << name;
    }
    EXPECT_TRUE(declared(testing::imageFixture("progressive.jpg"))->progressive);
    EXPECT_FALSE(declared(testing::imageFixture("photo.jpg"))->progressive);
    EXPECT_FALSE(declared("plain text, no image"));
}

TEST(ImageHeaders, GifFramesAndBombsAreCountedUndecoded) {
    const std::vector<GifColorType> colours = {{0, 0, 0}, {255, 255, 255}};
    std::vector<testing::GifFrameSpec> frames(7, testing::GifFrameSpec{0, 0, 1, 1, {1}});
    frames[3] = testing::GifFrameSpec{2, 2, 30, 20, std::vector<uint8_t>(600, 1)};
    const std::optional<DeclaredImage> gif = declared(testing::makeGif(16, 12, colours, 0, frames));
    ASSERT_TRUE(gif && gif->sizeKnown);
    EXPECT_EQ(gif->frames, 7);
    EXPECT_EQ(gif->pixels(), 16u * 12u);
    EXPECT_EQ(gif->largestFramePixels, 600u);

    // A few dozen bytes declaring a 16384 x 16384 screen.
    const std::string bomb = testing::makeGif(16384, 16384, colours, 0, {testing::GifFrameSpec{0, 0, 1, 1, {1}}});
    EXPECT_LT(bomb.size(), 100u);
    const std::optional<DeclaredImage> b = declared(bomb);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->pixels(), uint64_t(16384) * 16384);
    EXPECT_GE(decodeMemoryBound(*b), uint64_t(2) << 30);
}

TEST(ImageHeaders, DecodingWithinTheDeclaredLimitsRefusesAnythingLarger) {
    const std::string data = testing::imageFixture("photo.jpg");
    DeclaredImage d = *declared(data);
    const auto decode = [&](const DeclaredImage& with) {
        return catchImage(reinterpret_cast<const uint8_t*>(data.data()), data.size(), standardRegistry(),
                          limitsForDeclared(with, standardRegistry().limits()));
    };
    EXPECT_TRUE(decode(d));
    d.height -= 1;  // a header that understated the size
    EXPECT_FALSE(decode(d));
}

}  // namespace
}  // namespace tesselon
