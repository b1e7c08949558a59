#include "runtime/imaging/gif_encoder.h"

#include <gif_lib.h>

#include <new>
#include <vector>

#include "runtime/imaging/byte_sink.h"
#include "runtime/imaging/flattened_rows.h"
#include "runtime/imaging/indexed_pixels.h"

namespace tesselon {

namespace {

constexpr int kGifMaxDimension = 65535;

int gifWrite(GifFileType* gif, const GifByteType* data, int length) {
    if (length <= 0) return 0;
    return appendBytes(*static_cast<std::string*>(gif->UserData), data, size_t(length)) ? length : 0;
}

// giflib's encoder state; closing it writes the trailer, so close() reports that.
class GifWriter {
public:
    explicit GifWriter(std::string* out) {
        int error = 0;
        gif_ = EGifOpen(out, gifWrite, &error);
    }
    ~GifWriter() {
        if (gif_) close();
    }
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;

    GifFileType* get() const { return gif_; }
    bool close() {
        int error = 0;
        const bool ok = EGifCloseFile(gif_, &error) == GIF_OK;
        gif_ = nullptr;  // freed by EGifCloseFile in every case
        return ok;
    }

private:
    GifFileType* gif_ = nullptr;
};

// giflib's colour map: the palette, padded with black to the power of two GIF needs.
struct ColourMap {
    ColorMapObject* map = nullptr;
    explicit ColourMap(const Palette& palette) {
        int size = 2;
        while (size < int(palette.size())) size *= 2;
        map = GifMakeMapObject(size, nullptr);
        if (!map) return;
        for (int i = 0; i < size; ++i) {
            const PaletteColour c = size_t(i) < palette.size() ? palette[size_t(i)] : PaletteColour{};
            map->Colors[i] = GifColorType{c.red, c.green, c.blue};
        }
    }
    ~ColourMap() { GifFreeMapObject(map); }
    ColourMap(const ColourMap&) = delete;
    ColourMap& operator=(const ColourMap&) = delete;
};

bool writeGif(std::string& out, int width, int height, const ColourMap& colours, int transparentIndex,
              std::vector<uint8_t>& indices) {
    GifWriter writer(&out);
    GifFileType* gif = writer.get();
    if (!gif || !colours.map) return false;
    EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, width, height, colours.map->BitsPerPixel, 0, colours.map) != GIF_OK) return false;
    if (transparentIndex >= 0) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.UserInputFlag = false;
        control.DelayTime = 0;
        control.TransparentColor = transparentIndex;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) != GIF_OK) return false;
    }
    if (EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) != GIF_OK) return false;
    for (int y = 0; y < height; ++y) {
        if (EGifPutLine(gif, indices.data() + size_t(y) * size_t(width), width) != GIF_OK) return false;
    }
    return writer.close();
}

}  // namespace

std::optional<std::string> encodeGif(const PixelRows& rows, const EncodeOptions&) {
    if (!rows.valid() || rows.width > kGifMaxDimension || rows.height > kGifMaxDimension) return std::nullopt;
    try {
        std::optional<FlattenedRows> flat;
        if (hasPartialAlpha(rows)) {
            flat = flattenPartialAlphaOntoWhite(rows);
            if (!flat) return std::nullopt;
        }
        std::optional<IndexedPixels> image = indexPixels(flat ? flat->rows() : rows, 256, ColourReduction::MedianCut);
        if (!image) return std::nullopt;
        const ColourMap map(image->palette);
        std::string out;
        if (!writeGif(out, rows.width, rows.height, map, image->transparentIndex(), image->indices)) return std::nullopt;
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace tesselon
