// A JPEG read a band of rows at a time gives the rows of its whole decode, and stops
// where that decode fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/pixel_allocation.h"
#include "runtime/imaging_test_images.h"

namespace tesselon {
namespace {

const uint8_t* bytesOf(const std::string& data) { return reinterpret_cast<const uint8_t*>(data.data()); }

// Every row read in bands of `bandRows`, as one image; nothing when a read fails.
std::optional<ImageObject> readInBands(const std::string& jpeg, int bandRows) {
    std::optional<JpegBandReader> reader = JpegBandReader::open(bytesOf(jpeg), jpeg.size(), DecodeLimits{});
    if (!reader) return std::nullopt;
    std::optional<ImageObject> whole = allocateImage(reader->width(), reader->height(), 24);
    std::optional<ImageObject> band = allocateImage(reader->width(), bandRows, 24);
    while (reader->nextRow() < reader->height()) {
        const int first = reader->nextRow();
        const int count = std::min(bandRows, reader->height() - first);
        if (!reader->read(*band, count)) return std::nullopt;
        for (int y = 0; y < count; ++y) std::memcpy(whole->row(first + y), band->row(y), size_t(reader->width()) * 3);
    }
    whole->sourceDepth = reader->sourceDepth();
    return whole;
}

TEST(JpegBands, BandsOfAnySizeGiveTheWholeDecodesRows) {
    for (const char* name : {"photo.jpg", "progressive.jpg", "grey.jpg", "cmyk_red.jpg"}) {
        const std::string jpeg = testing::imageFixture(name);
        const std::optional<ImageObject> whole = decodeJpeg(bytesOf(jpeg), jpeg.size(), DecodeLimits{});
        ASSERT_TRUE(whole) << name;
        for (int bandRows : {1, 7, 16, 100}) {
            SCOPED_TRACE(::testing::Message() << name << " in bands of " << bandRows);
            const std::optional<ImageObject> banded = readInBands(jpeg, bandRows);
            ASSERT_TRUE(banded);
            EXPECT_EQ(banded->sourceDepth, whole->sourceDepth);
            EXPECT_TRUE(banded->pixels == whole->pixels);
        }
    }
}

TEST(JpegBands, ACutFileStopsTheBandsWhereTheWholeDecodeFails) {
    const std::string jpeg = testing::imageFixture("photo.jpg");
    const std::string cut = jpeg.substr(0, jpeg.size() / 2);
    ASSERT_FALSE(decodeJpeg(bytesOf(cut), cut.size(), DecodeLimits{}));
    std::optional<JpegBandReader> reader = JpegBandReader::open(bytesOf(cut), cut.size(), DecodeLimits{});
    ASSERT_TRUE(reader);
    std::optional<ImageObject> band = allocateImage(reader->width(), 8, 24);
    bool failed = false;
    while (!failed && reader->nextRow() < reader->height())
        failed = !reader->read(*band, std::min(8, reader->height() - reader->nextRow()));
    EXPECT_TRUE(failed);
}

TEST(JpegBands, ABandTooSmallForTheRowsAskedIsRefused) {
    const std::string jpeg = testing::imageFixture("photo.jpg");
    std::optional<JpegBandReader> reader = JpegBandReader::open(bytesOf(jpeg), jpeg.size(), DecodeLimits{});
    ASSERT_TRUE(reader);
    std::optional<ImageObject> band = allocateImage(reader->width(), 4, 24);
    EXPECT_FALSE(reader->read(*band, 5));
    std::optional<ImageObject> narrow = allocateImage(reader->width() - 1, 4, 24);
    EXPECT_FALSE(reader->read(*narrow, 4));
    EXPECT_EQ(reader->nextRow(), 0);
}

}  // namespace
}  // namespace tesselon
