#include "runtime/imaging/bmp_codec.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "runtime/imaging/byte_sink.h"
#include "runtime/imaging/flattened_rows.h"
#include "runtime/imaging/memory_source.h"
#include "runtime/imaging/pixel_allocation.h"

namespace tesselon {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionBitfields = 3;

struct BmpLayout {
    int64_t width = 0;
    int64_t height = 0;
    bool topDown = false;
    int bits = 0;
    size_t pixelOffset = 0;
    size_t paletteOffset = 0;
    size_t paletteEntrySize = 4;
    size_t paletteCount = 0;
};

// The masks a 32-bit bitfields file must use for its bytes to be plain blue, green, red.
bool standardMasks(const uint8_t* masks) {
    return readLe32(masks) == 0x00FF0000 && readLe32(masks + 4) == 0x0000FF00 && readLe32(masks + 8) == 0x000000FF;
}

std::optional<BmpLayout> readLayout(const uint8_t* data, size_t size) {
    if (size < kFileHeaderSize + 4) return std::nullopt;
    BmpLayout layout;
    layout.pixelOffset = readLe32(data + 10);
    const uint32_t headerSize = readLe32(data + 14);
    if (headerSize > size - kFileHeaderSize) return std::nullopt;
    uint32_t compression = kCompressionNone;
    uint32_t coloursUsed = 0;
    if (headerSize == kCoreHeaderSize) {
        layout.width = readLe16(data + 18);
        layout.height = readLe16(data + 20);
        layout.bits = readLe16(data + 24);
        layout.paletteEntrySize = 3;
    } else if (headerSize >= kInfoHeaderSize) {
        layout.width = int32_t(readLe32(data + 18));
        layout.height = int32_t(readLe32(data + 22));
        layout.bits = readLe16(data + 28);
        compression = readLe32(data + 30);
        coloursUsed = readLe32(data + 46);
    } else {
        return std::nullopt;
    }
    if (layout.height < 0) {
        layout.topDown = true;
        layout.height = -layout.height;
    }
    layout.paletteOffset = kFileHeaderSize + headerSize;
    if (compression == kCompressionBitfields && layout.bits == 32) {
        // The masks follow a plain info header and sit inside the longer ones.
        const size_t masksAt = kFileHeaderSize + kInfoHeaderSize;
        if (size < masksAt + 12 || !standardMasks(data + masksAt)) return std::nullopt;
        if (headerSize == kInfoHeaderSize) layout.paletteOffset += 12;
    } else if (compression != kCompressionNone) {
        return std::nullopt;
    }
    if (layout.bits != 1 && layout.bits != 4 && layout.bits != 8 && layout.bits != 24 && layout.bits != 32) {
        return std::nullopt;
    }
    if (layout.bits <= 8) {
        const size_t wanted = coloursUsed == 0 || coloursUsed > (1u << layout.bits) ? (1u << layout.bits) : coloursUsed;
        const size_t end = std::min(layout.pixelOffset, size);
        const size_t room = end > layout.paletteOffset ? (end - layout.paletteOffset) / layout.paletteEntrySize : 0;
        layout.paletteCount = std::min(wanted, room);
    }
    return layout;
}

void expandIndexedRow(const uint8_t* src, uint8_t* dst, const BmpLayout& layout, const uint8_t* palette) {
    const int perByte = 8 / layout.bits;
    const int mask = (1 << layout.bits) - 1;
    for (int64_t x = 0; x < layout.width; ++x) {
        const int shift = (perByte - 1 - int(x % perByte)) * layout.bits;
        const size_t index = (src[x / perByte] >> shift) & mask;
        uint8_t* out = dst + x * 3;
        if (index < layout.paletteCount) {
            std::memcpy(out, palette + index * layout.paletteEntrySize, 3);
        } else {
            out[0] = out[1] = out[2] = 0;
        }
    }
}

}  // namespace

bool probeBmp(const uint8_t* data, size_t size) {
    return size >= 2 && data[0] == 'B' && data[1] == 'M';
}

std::optional<ImageObject> decodeBmp(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    const std::optional<BmpLayout> layout = readLayout(data, size);
    if (!layout || !imageSizeAllowed(layout->width, layout->height, limits.maxPixels)) return std::nullopt;
    const size_t srcPitch = ((size_t(layout->width) * size_t(layout->bits) + 31) / 32) * 4;
    if (layout->pixelOffset > size || (size - layout->pixelOffset) / srcPitch < size_t(layout->height)) {
        return std::nullopt;
    }
    std::optional<ImageObject> image = allocateImage(int(layout->width), int(layout->height), layout->bits == 32 ? 32 : 24,
                                                     limits.maxPixels);
    if (!image) return std::nullopt;
    image->sourceDepth = uint8_t(layout->bits);
    const uint8_t* palette = data + layout->paletteOffset;
    bool anyAlpha = false;
    for (int64_t y = 0; y < layout->height; ++y) {
        // y counts rows in file order: bottom-up unless the height was negative.
        const uint8_t* src = data + layout->pixelOffset + size_t(y) * srcPitch;
        uint8_t* dst = layout->topDown ? image->row(int(y)) : image->row(int(layout->height - 1 - y));
        if (layout->bits <= 8) {
            expandIndexedRow(src, dst, *layout, palette);
        } else {
            const size_t bytes = size_t(layout->width) * size_t(layout->bits / 8);
            std::memcpy(dst, src, bytes);
            if (layout->bits == 32) {
                for (size_t i = 3; i < bytes && !anyAlpha; i += 4) anyAlpha = src[i] != 0;
            }
        }
    }
    // Most 32-bit bitmaps leave the fourth byte zero: such a file is opaque, not invisible.
    if (layout->bits == 32 && !anyAlpha) {
        for (size_t i = 3; i < image->pixels.size(); i += 4) image->pixels[i] = 255;
    }
    return image;
}

std::optional<std::string> encodeBmp(const PixelRows& rows, const EncodeOptions& options) {
    if (!rows.valid()) return std::nullopt;
    if (rows.bytesPerPixel == 4 && options.depth != 32) {
        const std::optional<FlattenedRows> flat = flattenRowsOntoWhite(rows);
        if (!flat) return std::nullopt;
        return encodeBmp(flat->rows(), options);
    }
    const int bits = rows.bytesPerPixel * 8;
    const size_t rowBytes = size_t(rows.width) * size_t(rows.bytesPerPixel);
    const size_t pitch = (rowBytes + 3) & ~size_t(3);
    const uint64_t imageBytes = uint64_t(pitch) * uint64_t(rows.height);
    const size_t headersSize = kFileHeaderSize + kInfoHeaderSize;
    if (imageBytes + headersSize > 0xFFFFFFFFu) return std::nullopt;

    uint8_t header[kFileHeaderSize + kInfoHeaderSize] = {};
    auto put16 = [&](size_t at, uint32_t v) { header[at] = uint8_t(v); header[at + 1] = uint8_t(v >> 8); };
    auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xFFFF); put16(at + 2, v >> 16); };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, uint32_t(headersSize + imageBytes));
    put32(10, uint32_t(headersSize));
    put32(14, kInfoHeaderSize);
    put32(18, uint32_t(rows.width));
    put32(22, uint32_t(rows.height));
    put16(26, 1);
    put16(28, uint32_t(bits));
    put32(34, uint32_t(imageBytes));
    put32(38, 2835);  // 72 dots per inch
    put32(42, 2835);

    std::string out;
    try {
        out.reserve(headersSize + size_t(imageBytes));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    out.append(reinterpret_cast<const char*>(header), sizeof header);
    const char padding[4] = {};
    for (int y = rows.height - 1; y >= 0; --y) {
        out.append(reinterpret_cast<const char*>(rows.row(y)), rowBytes);
        out.append(padding, pitch - rowBytes);
    }
    return out;
}

}  // namespace tesselon
