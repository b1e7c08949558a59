#include "runtime/imaging/isobmff_header.h"

#include <algorithm>
#include <cstring>

#include "runtime/imaging/header_fields.h"

namespace tesselon {

namespace {

constexpr size_t kBoxHeader = 8;
constexpr size_t kFullBoxFields = 4;  // version and flags
// Boxes nest only a few levels deep on the way to the item properties.
constexpr int kMaxDepth = 8;

struct Box {
    char type[4];
    uint64_t contentStart = 0;
    uint64_t end = 0;
};

// The box at `at` within `limit`; false when it does not fit.
bool readBox(ByteReader& reader, uint64_t at, uint64_t limit, Box& box) {
    uint8_t h[16];
    if (at + kBoxHeader > limit || !readExact(reader, at, h, kBoxHeader)) return false;
    std::memcpy(box.type, h + 4, 4);
    uint64_t size = be32(h);
    box.contentStart = at + kBoxHeader;
    if (size == 1) {
        if (!readExact(reader, at + kBoxHeader, h + 8, 8)) return false;
        size = be64(h + 8);
        box.contentStart += 8;
    } else if (size == 0) {
        size = limit - at;
    }
    if (size < box.contentStart - at || size > limit - at) return false;
    box.end = at + size;
    return true;
}

bool is(const Box& box, const char* type) { return std::memcmp(box.type, type, 4) == 0; }

void findExtents(ByteReader& reader, uint64_t at, uint64_t end, int depth, int& blocks, DeclaredImage& d) {
    if (depth > kMaxDepth) return;
    Box box;
    while (blocks++ < kMaxHeaderBlocks && readBox(reader, at, end, box)) {
        if (is(box, "meta")) {
            findExtents(reader, box.contentStart + kFullBoxFields, box.end, depth + 1, blocks, d);
        } else if (is(box, "iprp") || is(box, "ipco")) {
            findExtents(reader, box.contentStart, box.end, depth + 1, blocks, d);
        } else if (is(box, "ispe")) {
            uint8_t e[12];
            if (readExact(reader, box.contentStart, e, sizeof e)) {
                const int64_t width = be32(e + 4), height = be32(e + 8);
                if (!d.sizeKnown || uint64_t(width) * uint64_t(height) > d.pixels()) setDeclaredSize(d, width, height);
            }
        }
        at = box.end;
    }
}

}  // namespace

bool fileTypeHasBrand(const uint8_t* data, size_t size, std::initializer_list<std::string_view> brands) {
    if (size < 16 || std::memcmp(data + 4, "ftyp", 4) != 0) return false;
    const size_t boxSize = std::min<size_t>(be32(data), size);
    const auto listed = [&](size_t at) {
        const std::string_view brand(reinterpret_cast<const char*>(data + at), 4);
        return std::find(brands.begin(), brands.end(), brand) != brands.end();
    };
    if (listed(8)) return true;
    // Major brand, minor version, then the compatible brands.
    for (size_t at = 16; at + 4 <= boxSize; at += 4)
        if (listed(at)) return true;
    return false;
}

void declareIsoImage(ByteReader& reader, DeclaredImage& d, uint64_t bytesPerPixel) {
    int blocks = 0;
    findExtents(reader, 0, reader.size(), 0, blocks, d);
    if (d.sizeKnown) d.decoderBytes = saturatingProduct(d.pixels(), bytesPerPixel);
}

}  // namespace tesselon
