#include "runtime/imaging_test_images.h"

#include <tiffio.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_operations.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tesselon::testing {

namespace {

std::string imageFolder() { return testDataDir() + "images/"; }

void pngAppend(png_structp png, png_bytep data, size_t size) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), size);
}
void pngNoFlush(png_structp) {}

// Only plain data in this frame: libpng longjmps out of it on errors.
bool writePngRows(png_structp png, png_infop info, const PngSpec* spec, png_bytepp rows, std::string* out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, pngAppend, pngNoFlush);
    png_set_IHDR(png, info, png_uint_32(spec->width), png_uint_32(spec->height), spec->bitDepth, spec->colourType,
                 spec->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!spec->palette.empty()) png_set_PLTE(png, info, spec->palette.data(), int(spec->palette.size()));
    if (!spec->paletteAlpha.empty()) {
        png_set_tRNS(png, info, spec->paletteAlpha.data(), int(spec->paletteAlpha.size()), nullptr);
    }
    if (spec->transparent) {
        png_color_16 colour = *spec->transparent;
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    png_write_info(png, info);
    if (spec->bitDepth < 8) png_set_packing(png);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

int channelsOf(int colourType) {
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}

int gifAppend(GifFileType* gif, const GifByteType* data, int size) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), size_t(size));
    return size;
}

}  // namespace

std::string imageFixture(const std::string& name) {
    std::string bytes = readFile(imageFolder() + name);
    if (bytes.empty()) throw std::runtime_error("missing fixture " + name);
    return bytes;
}

ImageObject decodedFixture(const std::string& name) {
    const std::string bytes = imageFixture(name);
    const CodecRegistry registry = makeStandardRegistry();
    std::optional<ImageObject> image =
        catchImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), registry);
    EXPECT_TRUE(image) << name;
    return image ? std::move(*image) : ImageObject{};
}

std::vector<std::string> imageFixtureNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(imageFolder())) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".sh") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

Bgra pixelAt(const ImageObject& image, int x, int y) {
    const uint8_t* p = image.row(y) + size_t(x) * size_t(image.bytesPerPixel());
    return {p[0], p[1], p[2], image.depth == 32 ? p[3] : uint8_t(255)};
}

void setPixel(ImageObject& image, int x, int y, Bgra colour) {
    std::memcpy(image.row(y) + size_t(x) * size_t(image.bytesPerPixel()), colour.data(), size_t(image.bytesPerPixel()));
}

std::string makePng(const PngSpec& spec) {
    const int channels = channelsOf(spec.colourType);
    const size_t perRow = size_t(spec.width) * size_t(channels);
    // One byte per sample (libpng packs sub-byte depths), two big-endian bytes at depth 16.
    const size_t bytesPerSample = spec.bitDepth == 16 ? 2 : 1;
    std::vector<uint8_t> data(perRow * bytesPerSample * size_t(spec.height));
    for (size_t i = 0; i < spec.samples.size() && i < perRow * size_t(spec.height); ++i) {
        if (bytesPerSample == 2) {
            data[2 * i] = uint8_t(spec.samples[i] >> 8);
            data[2 * i + 1] = uint8_t(spec.samples[i]);
        } else {
            data[i] = uint8_t(spec.samples[i]);
        }
    }
    std::vector<png_bytep> rows(size_t(spec.height));
    for (int y = 0; y < spec.height; ++y) rows[size_t(y)] = data.data() + size_t(y) * perRow * bytesPerSample;

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::string out;
    const bool ok = writePngRows(png, info, &spec, rows.data(), &out);
    png_destroy_write_struct(&png, &info);
    if (!ok) throw std::runtime_error("test PNG not written");
    return out;
}

std::string makeGif(int width, int height, const std::vector<GifColorType>& globalMap, int background,
                    const std::vector<GifFrameSpec>& frames) {
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, gifAppend, &error);
    if (!gif) throw std::runtime_error("test GIF not opened");
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = globalMap.empty() ? nullptr : GifMakeMapObject(int(globalMap.size()), globalMap.data());
    bool ok = EGifPutScreenDesc(gif, width, height, 8, background, map) == GIF_OK;
    for (const GifFrameSpec& frame : frames) {
        if (frame.withControl) {
            GraphicsControlBlock control{frame.disposal, false, frame.delay, frame.transparent};
            GifByteType extension[4];
            EGifGCBToExtension(&control, extension);
            ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
        }
        ColorMapObject* local =
            frame.localMap.empty() ? nullptr : GifMakeMapObject(int(frame.localMap.size()), frame.localMap.data());
        ok = ok && EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced, local) ==
                       GIF_OK;
        if (local) GifFreeMapObject(local);
        std::vector<int> order;
        if (frame.interlaced) {
            const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass) {
                for (int y = start[pass]; y < frame.height; y += step[pass]) order.push_back(y);
            }
        } else {
            for (int y = 0; y < frame.height; ++y) order.push_back(y);
        }
        for (int y : order) {
            std::vector<GifPixelType> line(frame.indices.begin() + y * frame.width,
                                           frame.indices.begin() + (y + 1) * frame.width);
            ok = ok && EGifPutLine(gif, line.data(), frame.width) == GIF_OK;
        }
    }
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    if (map) GifFreeMapObject(map);
    if (!ok) throw std::runtime_error("test GIF not written");
    return out;
}

namespace {

// n distinct colours: the red values alone differ.
std::vector<GifColorType> distinctColours(int n, int seed) {
    std::vector<GifColorType> colours;
    for (int i = 0; i < n; ++i) {
        colours.push_back({uint8_t(i * 53 + seed), uint8_t(i * 29 + 3 * seed), uint8_t(i * 101 + 50)});
    }
    return colours;
}

// Every entry of an n-entry table (any n consecutive pixels hold them all), in an order
// that is not the raster's.
uint8_t indexAt(int x, int y, int width, int n) { return uint8_t((x + y * width) * 7 % n); }

PaletteSample gifSample(int bits, bool transparent, bool interlaced, bool local) {
    constexpr int kWidth = 37, kHeight = 23;
    const int n = 1 << bits;
    const std::vector<GifColorType> colours = distinctColours(n, bits);
    PaletteSample sample;
    sample.name = "gif" + std::to_string(bits) + (transparent ? "-clear" : "") + (interlaced ? "-interlaced" : "") +
                  (local ? "-local" : "") + ".gif";
    sample.width = kWidth;
    sample.height = kHeight;
    sample.transparent = transparent;
    GifFrameSpec frame{0, 0, kWidth, kHeight, {}, DISPOSAL_UNSPECIFIED, transparent ? 1 : NO_TRANSPARENT_COLOR, 0};
    frame.interlaced = interlaced;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t index = indexAt(x, y, kWidth, n);
            frame.indices.push_back(index);
            const GifColorType& c = colours[index];
            sample.pixels.push_back(transparent && index == 1 ? Bgra{0, 0, 0, 0} : Bgra{c.Blue, c.Green, c.Red, 255});
        }
    }
    std::vector<GifColorType> global = colours;
    if (local) {
        // The screen's table holds other colours, which must not show.
        for (GifColorType& c : global) c = {uint8_t(255 - c.Red), c.Red, c.Red};
        frame.localMap = colours;
    }
    sample.bytes = makeGif(kWidth, kHeight, global, 0, {frame});
    return sample;
}

PaletteSample pngSample(int bits, const std::vector<uint8_t>& alphas, bool interlaced) {
    constexpr int kWidth = 29, kHeight = 19;
    const int n = 1 << bits;
    const std::vector<GifColorType> colours = distinctColours(n, 5 + bits);
    PaletteSample sample;
    sample.name = "png" + std::to_string(bits) + (alphas.empty() ? "" : "-alpha" + std::to_string(alphas.size())) +
                  (interlaced ? "-interlaced" : "") + ".png";
    sample.width = kWidth;
    sample.height = kHeight;
    PngSpec spec;
    spec.width = kWidth;
    spec.height = kHeight;
    spec.colourType = PNG_COLOR_TYPE_PALETTE;
    spec.bitDepth = bits;
    spec.interlaced = interlaced;
    spec.paletteAlpha = alphas;
    for (const GifColorType& c : colours) spec.palette.push_back({c.Red, c.Green, c.Blue});
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t index = indexAt(x, y, kWidth, n);
            spec.samples.push_back(index);
            const uint8_t alpha = index < alphas.size() ? alphas[index] : 255;
            sample.transparent |= alpha < 255;
            const GifColorType& c = colours[index];
            sample.pixels.push_back(Bgra{c.Blue, c.Green, c.Red, alpha});
        }
    }
    sample.bytes = makePng(spec);
    return sample;
}

template <typename PixelOf>
::testing::AssertionResult compareVisible(const ImageObject& actual, int width, int height, const PixelOf& expected) {
    if (actual.width != width || actual.height != height) {
        return ::testing::AssertionFailure() << "size " << actual.width << "x" << actual.height << " instead of "
                                             << width << "x" << height;
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Bgra a = pixelAt(actual, x, y);
            const Bgra e = expected(x, y);
            if (a[3] != e[3] || (e[3] != 0 && a != e)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is BGRA " << int(a[0]) << "," << int(a[1]) << ","
                       << int(a[2]) << "," << int(a[3]) << " instead of " << int(e[0]) << "," << int(e[1]) << ","
                       << int(e[2]) << "," << int(e[3]);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

std::vector<PaletteSample> paletteCorpus() {
    std::vector<PaletteSample> corpus;
    for (int bits : {1, 2, 4, 8}) {
        corpus.push_back(gifSample(bits, false, false, false));
        corpus.push_back(gifSample(bits, true, false, false));
    }
    corpus.push_back(gifSample(8, true, true, false));
    corpus.push_back(gifSample(2, false, true, true));
    corpus.push_back(gifSample(4, true, false, true));
    for (int bits : {1, 2, 4, 8}) corpus.push_back(pngSample(bits, {}, false));
    corpus.push_back(pngSample(1, {0}, false));
    corpus.push_back(pngSample(2, {0, 90, 200}, true));
    corpus.push_back(pngSample(4, {0, 0, 17}, false));
    corpus.push_back(pngSample(8, {0, 1, 2, 128, 254}, false));
    return corpus;
}

::testing::AssertionResult sameVisiblePixels(const ImageObject& actual, const ImageObject& expected) {
    return compareVisible(actual, expected.width, expected.height,
                          [&](int x, int y) { return pixelAt(expected, x, y); });
}

::testing::AssertionResult sameVisiblePixels(const ImageObject& actual, const PaletteSample& expected) {
    return compareVisible(actual, expected.width, expected.height,
                          [&](int x, int y) { return expected.pixels[size_t(y * expected.width + x)]; });
}

PngChunks pngChunksOf(const std::string& png) {
    PngChunks chunks;
    for (size_t p = 8; p + 8 <= png.size();) {
        size_t length = 0;
        for (int i = 0; i < 4; ++i) length = length << 8 | uint8_t(png[p + size_t(i)]);
        const std::string type = png.substr(p + 4, 4);
        if (type == "IHDR") chunks.bitDepth = uint8_t(png[p + 16]), chunks.colourType = uint8_t(png[p + 17]);
        if (type == "PLTE") chunks.paletteEntries = length / 3;
        if (type == "tRNS") chunks.transparencyBytes = length;
        p += length + 12;
    }
    return chunks;
}

std::string makeTiff(const TiffSpec& spec) {
    TempDir dir;
    const std::string path = dir.file("image.tif");
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) throw std::runtime_error("test TIFF not opened");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(spec.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(spec.height));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(spec.samples));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(spec.bits));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, spec.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(spec.compression));
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(spec.height));
    if (spec.samples == 4) {
        const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    const size_t perRow = size_t(spec.width) * size_t(spec.samples);
    std::vector<uint8_t> row(perRow * size_t(spec.bits / 8));
    bool ok = true;
    for (int y = 0; y < spec.height; ++y) {
        for (size_t i = 0; i < perRow; ++i) {
            const uint16_t v = spec.values[size_t(y) * perRow + i];
            if (spec.bits == 16) {
                std::memcpy(&row[2 * i], &v, 2);
            } else {
                row[i] = uint8_t(v);
            }
        }
        ok = ok && TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0) == 1;
    }
    TIFFClose(tiff);
    if (!ok) throw std::runtime_error("test TIFF not written");
    return readFile(path);
}

}  // namespace tesselon::testing
