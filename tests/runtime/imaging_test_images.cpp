#include "runtime/imaging_test_images.h"

#include <tiffio.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

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
        ok = ok && EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced, nullptr) ==
                       GIF_OK;
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
