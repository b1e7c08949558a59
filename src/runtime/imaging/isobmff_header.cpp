#include "runtime/imaging/isobmff_header.h"

#include <algorithm>
#include <cstring>

#include "runtime/imaging/header_fields.h"
#include "runtime/imaging/iso_boxes.h"

namespace tesselon {

namespace {

// Boxes nest only a few levels deep on the way to the item properties.
constexpr int kMaxDepth = 8;

void findExtents(ByteReader& reader, uint64_t at, uint64_t end, int depth, int& blocks, DeclaredImage& d) {
    if (depth > kMaxDepth) return;
    IsoBox box;
    while (blocks++ < kMaxHeaderBlocks && readIsoBox(reader, at, end, box)) {
        if (isBoxType(box, "meta")) {
            findExtents(reader, box.contentStart + kIsoFullBoxFields, box.end, depth + 1, blocks, d);
        } else if (isBoxType(box, "iprp") || isBoxType(box, "ipco")) {
            findExtents(reader, box.contentStart, box.end, depth + 1, blocks, d);
        } else if (isBoxType(box, "ispe")) {
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
