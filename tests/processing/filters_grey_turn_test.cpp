// A turn that takes each pixel's grey as it copies must give the very bytes of the grey
// scale followed by the turn, whatever the picture, its size, alpha and the angle.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "filters_test_images.h"
#include "processing/filters/grey_scale.h"
#include "processing/filters/rotate_image.h"
#include "processing/filters/rotation_layout.h"
#include "processing/filters/rotation_tile_renderer.h"
#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging_test_images.h"

namespace tesselon {
namespace {

using testing::patternImage;
using testing::renderedTileByTile;

ImageObject fixture(const std::string& name) { return testing::decodedFixture(name); }

std::optional<ImageObject> greyThenTurned(const ImageObject& source, int degrees, uint32_t background, int threads) {
    ImageObject grey = source;
    applyGreyScale(grey);
    return rotateImage(grey, degrees, background, threads);
}

void expectSameAsTwoSteps(const ImageObject& source, int degrees, uint32_t background, int threads = 1) {
    SCOPED_TRACE(::testing::Message() << source.width << "x" << source.height << " depth " << int(source.depth)
                                      << ", " << degrees << " degrees, " << threads << " threads");
    const ImageObject before = source;
    const std::optional<ImageObject> fused =
        rotateImage(source, degrees, background, threads, nullptr, PixelTone::Grey);
    const std::optional<ImageObject> stepwise = greyThenTurned(source, degrees, background, threads);
    ASSERT_TRUE(fused);
    ASSERT_TRUE(stepwise);
    EXPECT_EQ(fused->width, stepwise->width);
    EXPECT_EQ(fused->height, stepwise->height);
    EXPECT_TRUE(fused->pixels == stepwise->pixels);
    // The source is read only.
    EXPECT_TRUE(source.pixels == before.pixels);
}

TEST(FiltersGreyTurn, RealPhotoEveryQuarterTurn) {
    const ImageObject photo = fixture("photo.jpg");
    ASSERT_TRUE(photo.valid());
    for (int degrees : {90, 180, 270}) expectSameAsTwoSteps(photo, degrees, 0x00336699);
}

TEST(FiltersGreyTurn, TransparentPictureIsGreyedBeforeItMeetsTheBackground) {
    const ImageObject clear = fixture("rgba8.tif");
    ASSERT_EQ(clear.depth, 32);
    // A coloured background shows where the picture is clear and must stay coloured.
    for (int degrees : {90, 270}) expectSameAsTwoSteps(clear, degrees, 0x0020C0F0);
    expectSameAsTwoSteps(patternImage(33, 21, 32, 5), 90, 0x00FF0000);
}

// Strips of eight rows, their leftovers and the last column of each strip, on sides
// that are and are not multiples of eight and of four bytes; every byte value of a
// random picture, so that sums ending in one half occur many times over.
TEST(FiltersGreyTurn, OddSizesAndLargePictures) {
    unsigned seed = 11;
    for (const auto& [w, h] : {std::pair{37, 23}, std::pair{23, 37}, std::pair{8, 8}, std::pair{9, 17},
                               std::pair{301, 203}, std::pair{640, 5}, std::pair{5, 640}}) {
        const ImageObject picture = patternImage(w, h, 24, seed++);
        expectSameAsTwoSteps(picture, 90, 0);
        expectSameAsTwoSteps(picture, 270, 0x00FFFFFF);
    }
}

TEST(FiltersGreyTurn, OnePixelPicturesAndThinStrips) {
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{1, 9}, std::pair{9, 1}, std::pair{2, 1}})
        for (int depth : {24, 32})
            for (int degrees : {90, 180, 270}) expectSameAsTwoSteps(patternImage(w, h, depth, 3), degrees, 0x00102030);
}

// The grey scale's tile walk also serves turns that resample.
TEST(FiltersGreyTurn, TurnsThatResampleAgree) {
    const ImageObject photo = fixture("photo.jpg");
    for (int degrees : {1, 45, 135, 300}) expectSameAsTwoSteps(photo, degrees, 0x00808080);
    expectSameAsTwoSteps(patternImage(29, 31, 32, 8), 33, 0x000000FF);
}

TEST(FiltersGreyTurn, SameBytesOnSeveralThreads) {
    const ImageObject picture = patternImage(700, 611, 24, 21);
    expectSameAsTwoSteps(picture, 90, 0x00445566, 3);
    expectSameAsTwoSteps(picture, 270, 0x00445566, 2);
}

// The renderer checks its straight copy against cairo on its first tile and would quietly
// hand every later tile to cairo on a difference, which is slower but gives the same
// bytes: the greyed copy must hold on its own, tile after tile.
TEST(FiltersGreyTurn, TheGreyedCopyHoldsAgainstCairo) {
    const ImageObject source = patternImage(600, 500, 24, 17);
    for (int degrees : {90, 270}) {
        bool ownPathsHeld = false;
        const std::optional<ImageObject> result =
            renderedTileByTile(source, degrees, 0x00405060, PixelTone::Grey, ownPathsHeld);
        ASSERT_TRUE(result);
        EXPECT_TRUE(ownPathsHeld) << degrees;
        const std::optional<ImageObject> stepwise = greyThenTurned(source, degrees, 0x00405060, 1);
        ASSERT_TRUE(stepwise);
        EXPECT_TRUE(result->pixels == stepwise->pixels) << degrees;
    }
}

}  // namespace
}  // namespace tesselon
