#include "processing/output/gif_encoder.h"

#include <gif_lib.h>

#include <new>
#include <unordered_set>
#include <vector>

#include "processing/output/flattened_rows.h"
#include "runtime/imaging/byte_sink.h"
#include "runtime/imaging/palette_quantizer.h"

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

struct ColourMap {
    ColorMapObject* map = nullptr;
    explicit ColourMap(const Palette& palette) {
        map = GifMakeMapObject(256, nullptr);
        if (!map) return;
        for (int i = 0; i < 256; ++i) {
            const PaletteColour c = size_t(i) < palette.size() ? palette[size_t(i)] : PaletteColour{255, 255, 255};
            map->Colors[i] = GifColorType{c.red, c.green, c.blue};
        }
    }
    ~ColourMap() { GifFreeMapObject(map); }
    ColourMap(const ColourMap&) = delete;
    ColourMap& operator=(const ColourMap&) = delete;
};

bool hasTransparentPixel(const PixelRows& rows) {
    if (rows.bytesPerPixel != 4) return false;
    for (int y = 0; y < rows.height; ++y) {
        const uint8_t* p = rows.row(y);
        for (int x = 0; x < rows.width; ++x, p += 4) {
            if (p[3] == 0) return true;
        }
    }
    return false;
}

// The image's own colours when there are few enough of them: the learned palette only
// approximates, which would shift the flat colours of logos and drawings. Transparent
// pixels are left out; they get their own entry.
std::optional<Palette> exactPalette(const PixelRows& colours, const PixelRows& original, int limit) {
    std::unordered_set<uint32_t> seen;
    seen.reserve(size_t(limit) * 2);
    Palette palette;
    uint32_t previous = 0xFFFFFFFF;  // flat areas repeat a colour; skip the set for them
    for (int y = 0; y < colours.height; ++y) {
        const uint8_t* p = colours.row(y);
        const uint8_t* alpha = original.bytesPerPixel == 4 ? original.row(y) + 3 : nullptr;
        for (int x = 0; x < colours.width; ++x, p += colours.bytesPerPixel) {
            if (alpha && alpha[size_t(x) * 4] == 0) continue;
            const uint32_t colour = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
            if (colour == previous) continue;
            previous = colour;
            if (!seen.insert(colour).second) continue;
            if (int(palette.size()) == limit) return std::nullopt;
            palette.push_back(PaletteColour{p[2], p[1], p[0]});
        }
    }
    return palette;
}

bool writeGif(std::string& out, int width, int height, const ColourMap& colours, int transparentIndex,
              std::vector<uint8_t>& indices) {
    GifWriter writer(&out);
    GifFileType* gif = writer.get();
    if (!gif || !colours.map) return false;
    EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, width, height, 8, 0, colours.map) != GIF_OK) return false;
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

std::optional<std::string> encodeOutputGif(const PixelRows& rows) {
    if (!rows.valid() || rows.width > kGifMaxDimension || rows.height > kGifMaxDimension) return std::nullopt;
    try {
        std::optional<FlattenedRows> flat;
        if (rows.bytesPerPixel == 4) {
            flat = flattenRowsOntoWhite(rows);
            if (!flat) return std::nullopt;
        }
        const PixelRows& colours = flat ? flat->rows() : rows;
        const bool transparent = hasTransparentPixel(rows);
        // The last entry stays free for transparency when the image has any.
        const int paletteSize = transparent ? 255 : 256;
        std::optional<Palette> palette = exactPalette(colours, rows, paletteSize);
        if (!palette || palette->empty()) {
            palette = learnPalette(colours, paletteSize, samplingFactorFor(uint64_t(rows.width) * uint64_t(rows.height)));
        }
        if (!palette) return std::nullopt;
        std::optional<std::vector<uint8_t>> indices = mapToPalette(colours, *palette);
        if (!indices) return std::nullopt;
        if (transparent) {
            for (int y = 0; y < rows.height; ++y) {
                const uint8_t* p = rows.row(y);
                uint8_t* index = indices->data() + size_t(y) * size_t(rows.width);
                for (int x = 0; x < rows.width; ++x, p += 4) {
                    if (p[3] == 0) index[x] = 255;
                }
            }
        }
        const ColourMap map(*palette);
        std::string out;
        if (!writeGif(out, rows.width, rows.height, map, transparent ? 255 : -1, *indices)) return std::nullopt;
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace tesselon
