#include <gtest/gtest.h>

#include <string>

#include "runtime/imaging/embedded_metadata.h"
#include "runtime/imaging/exif_block.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_save.h"
#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/png_codec.h"
#include "runtime/imaging_test_images.h"
#include "support/icc_profile.h"

namespace tesselon {
namespace {

using testing::exifWithOrientation;
using testing::testIccProfile;

EmbeddedMetadata metadataOf(const std::string& file) {
    return readEmbeddedMetadata(reinterpret_cast<const uint8_t*>(file.data()), file.size());
}

ImageObject photo() { return *createImage(40, 24, 24, 0x3080C0); }

EncodeOptions atPercent(int quality, const EmbeddedMetadata* metadata = nullptr) {
    return {EncodeQuality::ofPercent(quality), 24, metadata};
}

TEST(ImagingMetadata, JpegCarriesExifAndRgbProfilesOnly) {
    const std::string rgb = testIccProfile();
    EmbeddedMetadata metadata{exifWithOrientation(6), rgb};
    const std::optional<std::string> jpeg = encodeJpeg(pixelRowsOf(photo()), atPercent(90, &metadata));
    ASSERT_TRUE(jpeg);
    const EmbeddedMetadata back = metadataOf(*jpeg);
    EXPECT_EQ(back.exif, metadata.exif);
    EXPECT_EQ(back.icc, rgb);

    // Results are RGB: a grey profile would misdescribe them, an EXIF block too large
    // for one marker cannot be stored. The image itself is written all the same.
    metadata = {std::string("Exif\0\0", 6) + std::string(70000, 'x'), testIccProfile("GRAY")};
    const std::optional<std::string> plain = encodeJpeg(pixelRowsOf(photo()), atPercent(90, &metadata));
    ASSERT_TRUE(plain);
    EXPECT_TRUE(metadataOf(*plain).empty());
    EXPECT_TRUE(catchImage(reinterpret_cast<const uint8_t*>(plain->data()), plain->size(), standardRegistry()));
}

TEST(ImagingMetadata, PngCarriesTheProfileAndSurvivesOneLibpngRefuses) {
    const ImageObject image = photo();
    EmbeddedMetadata metadata{exifWithOrientation(3), testIccProfile()};
    const std::optional<std::string> png = encodePng(pixelRowsOf(image), {EncodeQuality::ofLevel(7), 24, &metadata});
    ASSERT_TRUE(png);
    EXPECT_EQ(metadataOf(*png).icc, metadata.icc);
    EXPECT_EQ(metadataOf(*png).exif, "");

    // The signature says RGB but the length field lies: the file is written without it.
    metadata.icc[3] = char(0xFF);
    const std::optional<std::string> refused = encodePng(pixelRowsOf(image), {EncodeQuality::ofLevel(7), 24, &metadata});
    ASSERT_TRUE(refused);
    EXPECT_EQ(metadataOf(*refused).icc, "");
    EXPECT_TRUE(catchImage(reinterpret_cast<const uint8_t*>(refused->data()), refused->size(), standardRegistry()));
}

TEST(ImagingMetadata, ExifOrientationIsReadAndRewrittenAndDamagedBlocksAreHarmless) {
    std::optional<ExifBlock> block = ExifBlock::parse(exifWithOrientation(8));
    ASSERT_TRUE(block);
    EXPECT_EQ(block->orientation(), 8);
    block->setOrientation(1);
    std::optional<ExifBlock> again = ExifBlock::parse(block->serialize());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->orientation(), 1);

    EXPECT_EQ(ExifBlock::parse(exifWithOrientation(9))->orientation(), 1);  // out of range: upright
    EXPECT_FALSE(ExifBlock::parse("not exif at all"));
    // Every truncation, and a directory that claims 65535 entries, parse or are refused
    // without reading outside the block (the sanitizer build checks).
    const std::string whole = exifWithOrientation(6);
    for (size_t n = 0; n < whole.size(); ++n) {
        std::optional<ExifBlock> cut = ExifBlock::parse(whole.substr(0, n));
        if (cut) {
            EXPECT_GE(cut->orientation(), 1);
        }
    }
    std::string huge = whole;
    huge[14] = huge[15] = char(0xFF);
    if (std::optional<ExifBlock> b = ExifBlock::parse(huge)) {
        EXPECT_GE(b->orientation(), 1);
    }

    // Damaged files give no metadata rather than a failure.
    const std::string jpeg = *encodeJpeg(pixelRowsOf(photo()), atPercent(90));
    for (size_t n : {size_t(0), size_t(3), size_t(20), jpeg.size() / 2}) EXPECT_TRUE(metadataOf(jpeg.substr(0, n)).empty());
}

}  // namespace
}  // namespace tesselon
