#include "runtime/imaging/indexed_pixels.h"

#include <algorithm>
#include <array>
#include <new>

#include "runtime/imaging/flattened_rows.h"
#include "runtime/imaging/palette_reduction.h"

namespace tesselon {

namespace {

// Pixels packed blue | green << 8 | red << 16 | alpha << 24, every fully transparent one
// as 0.
uint32_t keyOf(const uint8_t* p, int bytesPerPixel) {
    if (bytesPerPixel == 3) return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | 0xFF000000u;
    if (p[3] == 0) return 0;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

PaletteColour entryOf(uint32_t key) {
    return {uint8_t(key >> 16), uint8_t(key >> 8), uint8_t(key), uint8_t(key >> 24)};
}

// At most 256 colours with their index, in a table four times as large.
class ColourIndex {
public:
    int find(uint32_t key) const { return slots_[slotOf(key)].index; }
    void insert(uint32_t key, int index) { slots_[slotOf(key)] = {key, int16_t(index)}; }

private:
    struct Slot {
        uint32_t key = 0;
        int16_t index = -1;
    };
    static constexpr size_t kSlots = 1024;
    size_t slotOf(uint32_t key) const {
        size_t i = (key * 2654435761u) >> 22;
        while (slots_[i].index >= 0 && slots_[i].key != key) i = (i + 1) & (kSlots - 1);
        return i;
    }
    std::array<Slot, kSlots> slots_{};
};

// Puts the entries with alpha below 255 first, keeping the order within each group, and
// renumbers the indices to match.
void translucentFirst(IndexedPixels& image) {
    std::vector<uint8_t> order(image.palette.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = uint8_t(i);
    std::stable_partition(order.begin(), order.end(), [&](uint8_t i) { return image.palette[i].alpha < 255; });
    std::array<uint8_t, 256> renumber{};
    Palette palette;
    for (size_t i = 0; i < order.size(); ++i) {
        renumber[order[i]] = uint8_t(i);
        palette.push_back(image.palette[order[i]]);
    }
    image.palette = std::move(palette);
    for (uint8_t& index : image.indices) index = renumber[index];
}

bool hasTransparentPixel(const PixelRows& rows) {
    if (rows.bytesPerPixel != 4) return false;
    for (int y = 0; y < rows.height; ++y) {
        const uint8_t* p = rows.row(y) + 3;
        for (int x = 0; x < rows.width; ++x, p += 4) {
            if (*p == 0) return true;
        }
    }
    return false;
}

// The network learns from the visible pixels only.
std::optional<Palette> learnFromVisible(const PixelRows& rows, int size, bool transparent) {
    if (!transparent) return learnPalette(rows, size, samplingFactorFor(uint64_t(rows.width) * uint64_t(rows.height)));
    std::vector<uint8_t> visible;
    for (int y = 0; y < rows.height; ++y) {
        const uint8_t* p = rows.row(y);
        for (int x = 0; x < rows.width; ++x, p += 4) {
            if (p[3] != 0) visible.insert(visible.end(), p, p + 3);
        }
    }
    const int count = int(visible.size() / 3);
    if (count == 0) return std::nullopt;
    return learnPalette(PixelRows{visible.data(), count, 1, visible.size(), 3, false}, size,
                        samplingFactorFor(uint64_t(count)));
}

// Nearest entries for translucent pixels, `first` being the offset of `entries` in the
// image's palette.
std::vector<uint8_t> mapTranslucent(const PixelRows& rows, const Palette& entries, int first) {
    const PaletteFinder finder(entries);
    constexpr size_t kCacheSize = 4096;
    struct CacheSlot {
        uint32_t key = 0;
        uint8_t index = 0;
        bool used = false;
    };
    std::vector<CacheSlot> cache(kCacheSize);
    std::vector<uint8_t> indices(size_t(rows.width) * size_t(rows.height));
    uint8_t* out = indices.data();
    for (int y = 0; y < rows.height; ++y) {
        const uint8_t* p = rows.row(y);
        for (int x = 0; x < rows.width; ++x, p += 4) {
            const uint32_t key = keyOf(p, 4);
            CacheSlot& slot = cache[(key * 2654435761u) >> 20];
            if (!slot.used || slot.key != key) {
                slot = {key, uint8_t(first + int(finder.nearest(premultiplied(p[0], p[1], p[2], p[3])))), true};
            }
            *out++ = slot.index;
        }
    }
    return indices;
}

}  // namespace

int IndexedPixels::transparentIndex() const {
    for (size_t i = 0; i < palette.size() && palette[i].alpha < 255; ++i) {
        if (palette[i].alpha == 0) return int(i);
    }
    return -1;
}

int IndexedPixels::translucentEntries() const {
    int count = 0;
    while (size_t(count) < palette.size() && palette[size_t(count)].alpha < 255) ++count;
    return count;
}

std::optional<IndexedPixels> indexExactly(const PixelRows& rows, int maxEntries) {
    if (!rows.valid() || maxEntries < 1 || maxEntries > 256) return std::nullopt;
    try {
        IndexedPixels image;
        image.indices.resize(size_t(rows.width) * size_t(rows.height));
        ColourIndex table;
        uint8_t* out = image.indices.data();
        uint32_t previous = 0;
        int previousIndex = -1;
        for (int y = 0; y < rows.height; ++y) {
            const uint8_t* p = rows.row(y);
            for (int x = 0; x < rows.width; ++x, p += rows.bytesPerPixel) {
                const uint32_t key = keyOf(p, rows.bytesPerPixel);
                if (key != previous || previousIndex < 0) {
                    previousIndex = table.find(key);
                    if (previousIndex < 0) {
                        if (int(image.palette.size()) == maxEntries) return std::nullopt;
                        previousIndex = int(image.palette.size());
                        table.insert(key, previousIndex);
                        image.palette.push_back(entryOf(key));
                    }
                    previous = key;
                }
                *out++ = uint8_t(previousIndex);
            }
        }
        translucentFirst(image);
        return image;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<IndexedPixels> indexPixels(const PixelRows& rows, int maxEntries, ColourReduction reduction) {
    if (!rows.valid() || maxEntries < 2 || maxEntries > 256) return std::nullopt;
    if (std::optional<IndexedPixels> exact = indexExactly(rows, maxEntries)) return exact;
    try {
        const bool transparent = hasTransparentPixel(rows);
        const bool translucent = hasPartialAlpha(rows);
        const int size = maxEntries - (transparent ? 1 : 0);
        const std::optional<Palette> reduced = reduction == ColourReduction::NeuQuant && !translucent && size >= 2
                                                   ? learnFromVisible(rows, size, transparent)
                                                   : reducePalette(rows, size);
        if (!reduced) return std::nullopt;
        IndexedPixels image;
        if (transparent) image.palette.push_back(PaletteColour{0, 0, 0, 0});
        const int first = int(image.palette.size());
        image.palette.insert(image.palette.end(), reduced->begin(), reduced->end());
        if (translucent) {
            image.indices = mapTranslucent(rows, *reduced, first);
        } else {
            std::optional<std::vector<uint8_t>> mapped = mapToPalette(rows, *reduced);
            if (!mapped) return std::nullopt;
            image.indices = std::move(*mapped);
            for (uint8_t& index : image.indices) index = uint8_t(index + first);
        }
        if (transparent) {
            uint8_t* index = image.indices.data();
            for (int y = 0; y < rows.height; ++y) {
                const uint8_t* p = rows.row(y) + 3;
                for (int x = 0; x < rows.width; ++x, p += 4, ++index) {
                    if (*p == 0) *index = 0;
                }
            }
        }
        translucentFirst(image);
        return image;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace tesselon
