// HEIF and AVIF files whose bitstream codes a larger picture than their items declare:
// refused before any decoder library sizes its frames by the bitstream.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/imaging/coded_size_check.h"
#include "runtime/imaging/image_formats.h"
#include "runtime/imaging/image_header.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/iso_items.h"
#include "runtime/imaging_test_images.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tesselon {
namespace {

using testing::imageFixture;
using testing::readFile;

CodedSizeVerdict verdictOf(const std::string& bytes) {
    MemoryByteReader reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return checkCodedSizes(reader);
}

std::optional<DeclaredImage> declared(const std::string& bytes) {
    MemoryByteReader reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return readDeclaredImage(reader, standardRegistry());
}

std::optional<ImageObject> decode(const std::string& bytes) {
    return catchImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), standardRegistry());
}

// Decoded as a batch decodes: within the size the header declares.
std::optional<ImageObject> decodeAsDeclared(const std::string& bytes) {
    const std::optional<DeclaredImage> header = declared(bytes);
    if (!header) return std::nullopt;
    return catchImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), standardRegistry(),
                      limitsForDeclared(*header, standardRegistry().limits()));
}

// Smooth colours with some texture.
ImageObject picture(int width, int height) {
    ImageObject image = *createImage(width, height, 24, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            testing::setPixel(image, x, y, {uint8_t(x * 3), uint8_t(y * 5), uint8_t((x ^ y) * 7), 255});
    return image;
}

std::string encoded(const char* extension, int width, int height) {
    const std::optional<std::string> bytes =
        formatByExtension(extension)->encode(pixelRowsOf(picture(width, height)), {EncodeQuality::ofPercent(60), 24});
    return bytes ? *bytes : std::string();
}

// Every spatial extent of the file rewritten to width x height.
std::string withExtent(std::string file, uint32_t width, uint32_t height) {
    for (size_t at = file.find("ispe"); at != std::string::npos; at = file.find("ispe", at + 4)) {
        const uint8_t sides[8] = {uint8_t(width >> 24), uint8_t(width >> 16), uint8_t(width >> 8), uint8_t(width),
                                  uint8_t(height >> 24), uint8_t(height >> 16), uint8_t(height >> 8), uint8_t(height)};
        file.replace(at + 8, 8, reinterpret_cast<const char*>(sides), 8);
    }
    return file;
}

// A HEIF file put together box by box, for the structures no encoder here writes.
std::string be(uint64_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += char(uint8_t(value >> (8 * i)));
    return out;
}
std::string box(const char* type, const std::string& content) { return be(content.size() + 8, 4) + type + content; }
std::string fullBox(const char* type, int version, const std::string& content) {
    return box(type, be(uint64_t(version) << 24, 4) + content);
}

struct BuiltItem {
    uint16_t id = 0;
    const char* type = "hvc1";
    std::string data;
    std::vector<int> properties;  // 1-based indexes into the property boxes
};

std::string heifFile(const std::vector<std::string>& properties, const std::vector<BuiltItem>& items,
                     const std::string& references = "") {
    const auto meta = [&](uint64_t dataStart) {
        std::string infe, iloc, ipma;
        uint64_t at = dataStart;
        for (const BuiltItem& item : items) {
            infe += fullBox("infe", 2, be(item.id, 2) + be(0, 2) + item.type + std::string(1, '\0'));
            iloc += be(item.id, 2) + be(0, 2) + be(1, 2) + be(at, 4) + be(item.data.size(), 4);
            at += item.data.size();
            ipma += be(item.id, 2) + be(item.properties.size(), 1);
            for (int p : item.properties) ipma += be(uint64_t(p), 1);
        }
        std::string ipco;
        for (const std::string& p : properties) ipco += p;
        return fullBox("meta", 0,
                       fullBox("hdlr", 0, be(0, 4) + "pict" + std::string(13, '\0')) + fullBox("pitm", 0, be(1, 2)) +
                           fullBox("iinf", 0, be(items.size(), 2) + infe) +
                           fullBox("iloc", 0, be(0x4400, 2) + be(items.size(), 2) + iloc) +
                           (references.empty() ? std::string() : fullBox("iref", 0, references)) +
                           box("iprp", box("ipco", ipco) + fullBox("ipma", 0, be(items.size(), 4) + ipma)));
    };
    const std::string ftyp = box("ftyp", std::string("heic") + be(0, 4) + "mif1heic");
    const uint64_t dataStart = ftyp.size() + meta(0).size() + 8;
    std::string data;
    for (const BuiltItem& item : items) data += item.data;
    return ftyp + meta(dataStart) + box("mdat", data);
}

std::string ispe(uint32_t width, uint32_t height) { return fullBox("ispe", 0, be(width, 4) + be(height, 4)); }

// The property boxes (the configuration among them) and the coded data of the coded
// item of a file made here.
struct CodedParts {
    std::vector<std::string> properties;
    std::vector<int> indexes;  // 1 to the number of properties
    std::string hvcC;
    std::string data;
};
CodedParts codedParts(const std::string& file) {
    CodedParts parts;
    MemoryByteReader reader(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    const std::optional<IsoItems> items = readIsoItems(reader);
    for (const IsoItem& item : items ? items->items : std::vector<IsoItem>{}) {
        if (!isItemType(item, "hvc1")) continue;
        for (const IsoExtent& e : item.extents) parts.data += file.substr(size_t(e.offset), size_t(e.length));
        for (uint32_t index : item.properties) {
            const IsoBox& property = items->properties[index];
            const size_t start = size_t(property.contentStart) - 8;
            parts.properties.push_back(file.substr(start, size_t(property.end) - start));
            parts.indexes.push_back(int(parts.properties.size()));
            if (isBoxType(property, "hvcC")) parts.hvcC = parts.properties.back();
        }
        break;
    }
    return parts;
}

// The sequence parameter set among the configuration's NAL units, with its length before it.
std::string sequenceParameterSet(const std::string& hvcC) {
    size_t at = 8 + 22;
    const int arrays = uint8_t(hvcC[at++]);
    for (int a = 0; a < arrays; ++a) {
        const int type = uint8_t(hvcC[at]) & 0x3F;
        const int count = uint8_t(hvcC[at + 1]) << 8 | uint8_t(hvcC[at + 2]);
        at += 3;
        for (int n = 0; n < count; ++n) {
            const size_t length = size_t(uint8_t(hvcC[at])) << 8 | uint8_t(hvcC[at + 1]);
            if (type == 33) return be(length, 4) + hvcC.substr(at + 2, length);
            at += 2 + length;
        }
    }
    return {};
}

TEST(CodedSize, HeicCodingMoreThanItsExtentIsRefusedBeforeDecoding) {
    // heif-enc's 8192 x 8192 picture whose spatial extent was rewritten to 64 x 64.
    const std::string file = readFile(testing::testDataDir() + "crafted/understated.heic");
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(verdictOf(file), CodedSizeVerdict::Exceeds);
    const std::optional<DeclaredImage> header = declared(file);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->width, 64);
    EXPECT_TRUE(header->codedBeyondDeclared);
    EXPECT_FALSE(decode(file));
}

TEST(CodedSize, RealFilesAndOurOwnResultsFitAndDecode) {
    // Sizes that are no multiple of the coding blocks, whose coded pictures are padded.
    const std::string files[] = {imageFixture("photo.heic"), imageFixture("photo.avif"), imageFixture("alpha.avif"),
                                 imageFixture("turned.avif"), encoded("heic", 101, 77), encoded("avif", 101, 77),
                                 encoded("heic", 64, 48), encoded("avif", 1, 1)};
    for (const std::string& file : files) {
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(verdictOf(file), CodedSizeVerdict::Fits);
        const std::optional<DeclaredImage> header = declared(file);
        ASSERT_TRUE(header);
        EXPECT_FALSE(header->codedBeyondDeclared);
        EXPECT_TRUE(decodeAsDeclared(file));
    }
}

TEST(CodedSize, AvifCodingMoreThanItsExtentIsRefusedWithoutAWordFromTheDecoder) {
    const std::string file = withExtent(encoded("avif", 256, 256), 16, 16);
    EXPECT_EQ(verdictOf(file), CodedSizeVerdict::Exceeds);
    const std::optional<DeclaredImage> header = declared(file);
    ASSERT_TRUE(header);
    EXPECT_TRUE(header->codedBeyondDeclared);
    ::testing::internal::CaptureStderr();
    const std::optional<ImageObject> image = decodeAsDeclared(file);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(image);
    EXPECT_EQ(said, "");
}

TEST(CodedSize, OurOwnHeicWithAnUnderstatedExtentIsRefusedToo) {
    const std::string file = withExtent(encoded("heic", 256, 192), 32, 32);
    const std::optional<DeclaredImage> header = declared(file);
    ASSERT_TRUE(header);
    EXPECT_TRUE(header->codedBeyondDeclared);
    EXPECT_FALSE(decode(file));
}

TEST(CodedSize, ASequenceParameterSetInTheDataCountsAsMuchAsTheConfiguration) {
    // The configuration of a small picture; its data led by the parameter set of a larger.
    const CodedParts small = codedParts(encoded("heic", 64, 48));
    const std::string larger = sequenceParameterSet(codedParts(encoded("heic", 256, 192)).hvcC);
    ASSERT_FALSE(small.data.empty());
    ASSERT_FALSE(larger.empty());
    const std::string honest = heifFile(small.properties, {BuiltItem{1, "hvc1", small.data, small.indexes}});
    EXPECT_EQ(verdictOf(honest), CodedSizeVerdict::Fits);
    EXPECT_TRUE(decode(honest));
    const std::string led = heifFile(small.properties, {BuiltItem{1, "hvc1", larger + small.data, small.indexes}});
    EXPECT_EQ(verdictOf(led), CodedSizeVerdict::Exceeds);
    ASSERT_TRUE(declared(led));
    EXPECT_TRUE(declared(led)->codedBeyondDeclared);
    EXPECT_FALSE(decode(led));
}

TEST(CodedSize, AGridWhoseCanvasExceedsItsExtentIsRefused) {
    // One 64 x 48 tile on a grid whose extent says 64 x 48 and whose canvas says otherwise.
    const CodedParts tile = codedParts(encoded("heic", 64, 48));
    const std::string references = box("dimg", be(1, 2) + be(1, 2) + be(2, 2));
    const auto grid = [&](uint16_t width, uint16_t height) {
        const std::string canvas = be(0, 1) + be(0, 1) + be(0, 1) + be(0, 1) + be(width, 2) + be(height, 2);
        return heifFile({tile.hvcC, ispe(64, 48), ispe(64, 48)},
                        {BuiltItem{1, "grid", canvas, {3}}, BuiltItem{2, "hvc1", tile.data, {1, 2}}}, references);
    };
    const std::string honest = grid(64, 48);
    EXPECT_EQ(verdictOf(honest), CodedSizeVerdict::Fits);
    const std::optional<ImageObject> shown = decode(honest);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->width, 64);
    const std::string wide = grid(4096, 4096);
    EXPECT_EQ(verdictOf(wide), CodedSizeVerdict::Exceeds);
    ASSERT_TRUE(declared(wide));
    EXPECT_TRUE(declared(wide)->codedBeyondDeclared);
    EXPECT_FALSE(decode(wide));
}

TEST(CodedSize, ItemsThatCannotBeReadForTheCheckAreNotDecoded) {
    const CodedParts small = codedParts(encoded("heic", 64, 48));
    // No spatial extent for the coded item; a length running past the data.
    const std::string noExtent = heifFile({small.hvcC}, {BuiltItem{1, "hvc1", small.data, {1}}});
    EXPECT_EQ(verdictOf(noExtent), CodedSizeVerdict::Unreadable);
    EXPECT_FALSE(decode(noExtent));
    const std::string cut = heifFile({small.hvcC, ispe(64, 48)}, {BuiltItem{1, "hvc1", be(1000, 4) + "x", {1, 2}}});
    EXPECT_EQ(verdictOf(cut), CodedSizeVerdict::Unreadable);
    EXPECT_FALSE(decode(cut));
}

}  // namespace
}  // namespace tesselon
