#include <gtest/gtest.h>

#include <QFile>
#include <cstring>

#include "runtime/imaging/codec_registry.h"
#include "ui/image_conversion.h"
#include "ui/interface_images.h"

namespace tesselon {
namespace {

struct Expected {
    int width, height, depth;
    uint32_t format;
};

// Image n at index n - 1: size, depth after decoding, and the embedded format.
constexpr Expected kExpected[kInterfaceImageCount] = {
    {20, 20, 24, kFormatPNG},   {30, 30, 32, kFormatPNG},   {30, 30, 32, kFormatPNG},
    {24, 24, 32, kFormatPNG},   {24, 24, 32, kFormatPNG},   {24, 24, 32, kFormatPNG},
    {24, 24, 32, kFormatPNG},   {65, 65, 24, kFormatJPEG},  {380, 251, 24, kFormatJPEG},
    {380, 251, 24, kFormatJPEG}, {18, 18, 24, kFormatPNG},  {18, 18, 32, kFormatPNG},
    {32, 32, 32, kFormatPNG},   {18, 18, 24, kFormatPNG},   {18, 18, 24, kFormatPNG},
};

TEST(InterfaceImages, DecodeAtTheirListedSizeAndKind) {
    const InterfaceImages images = decodeInterfaceImages(standardRegistry(), 1.0, 1.0);
    for (int n = 1; n <= kInterfaceImageCount; ++n) {
        const ImageObject& image = images[size_t(n - 1)];
        const Expected& e = kExpected[n - 1];
        ASSERT_TRUE(image.valid()) << "image " << n;
        EXPECT_EQ(image.width, e.width) << "image " << n;
        EXPECT_EQ(image.height, e.height) << "image " << n;
        EXPECT_EQ(image.depth, e.depth) << "image " << n;
        EXPECT_EQ(image.format, e.format) << "image " << n;
    }
    // Images drawn from one file are equal.
    EXPECT_EQ(images[3].pixels, images[4].pixels);
    EXPECT_EQ(images[3].pixels, images[6].pixels);
    EXPECT_EQ(images[8].pixels, images[9].pixels);
    EXPECT_NE(images[0].pixels, images[10].pixels);
}

TEST(InterfaceImages, EmbeddedFilesAreRgbRgbaPngAndJpeg) {
    for (int n = 1; n <= kInterfaceImageCount; ++n) {
        QFile file(QString::fromLatin1(interfaceImageResource(n)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "image " << n;
        const QByteArray data = file.readAll();
        ASSERT_GT(data.size(), 26);
        if (kExpected[n - 1].format == kFormatJPEG) {
            EXPECT_EQ(uint8_t(data[0]), 0xFF);
            EXPECT_EQ(uint8_t(data[1]), 0xD8);
        } else {
            EXPECT_EQ(data.mid(1, 3), "PNG");
            // Colour type in the header: 2 RGB, 6 RGBA; 8 bits per sample.
            EXPECT_EQ(int(data[24]), 8);
            EXPECT_EQ(int(data[25]), kExpected[n - 1].depth == 32 ? 6 : 2) << "image " << n;
        }
    }
    EXPECT_EQ(interfaceImageResource(0), nullptr);
    EXPECT_EQ(interfaceImageResource(16), nullptr);
}

TEST(InterfaceImages, ScaledWithHalvesRoundedUp) {
    const InterfaceImages images = decodeInterfaceImages(standardRegistry(), 1.5, 1.25);
    EXPECT_EQ(images[0].width, 30);    // 20 x 1.5
    EXPECT_EQ(images[0].height, 25);   // 20 x 1.25
    EXPECT_EQ(images[7].width, 98);    // 65 x 1.5 = 97.5
    EXPECT_EQ(images[7].height, 81);   // 65 x 1.25 = 81.25
    EXPECT_EQ(images[8].width, 570);   // 380 x 1.5
    EXPECT_EQ(images[8].height, 314);  // 251 x 1.25 = 313.75
    EXPECT_EQ(images[10].width, 27);   // 18 x 1.5
    EXPECT_EQ(images[10].height, 23);  // 18 x 1.25 = 22.5
    EXPECT_EQ(images[1].depth, 32);    // scaling keeps the alpha
}

TEST(InterfaceImages, NoDecoderLeavesTheImagesEmpty) {
    const CodecRegistry bmpOnly;
    const InterfaceImages images = decodeInterfaceImages(bmpOnly, 1.0, 1.0);
    for (const ImageObject& image : images) EXPECT_FALSE(image.valid());
}

TEST(ImageConversion, BottomUpRowsBecomeTopDownPixels) {
    // 3 x 2, 24-bit: rows padded to 12 bytes, bottom row first, blue-green-red.
    ImageObject image;
    image.width = 3;
    image.height = 2;
    image.depth = 24;
    image.pixels.assign(ImageObject::pitchFor(3, 24) * 2, 0);
    uint8_t* top = image.row(0);
    top[0] = 0x10, top[1] = 0x20, top[2] = 0x30;  // top-left: red 0x30 green 0x20 blue 0x10
    uint8_t* bottom = image.row(1);
    bottom[6] = 0xFF;                             // bottom-right: blue
    const QImage q = toQImage(image);
    ASSERT_EQ(q.size(), QSize(3, 2));
    EXPECT_EQ(q.pixelColor(0, 0), QColor(0x30, 0x20, 0x10));
    EXPECT_EQ(q.pixelColor(2, 1), QColor(0, 0, 0xFF));
    EXPECT_EQ(q.pixelColor(0, 1), QColor(0, 0, 0));

    // 32-bit keeps a straight alpha.
    ImageObject alpha;
    alpha.width = 1;
    alpha.height = 1;
    alpha.depth = 32;
    alpha.pixels = {0x00, 0x00, 0xFF, 0x80};
    const QImage qa = toQImage(alpha);
    EXPECT_EQ(qa.pixelColor(0, 0), QColor(0xFF, 0, 0, 0x80));

    ImageObject broken = image;
    broken.pixels.resize(3);
    EXPECT_TRUE(toQImage(broken).isNull());
}

}  // namespace
}  // namespace tesselon
