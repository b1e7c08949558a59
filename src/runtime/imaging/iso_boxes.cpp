#include "runtime/imaging/iso_boxes.h"

#include <cstring>

#include "runtime/imaging/header_fields.h"

namespace tesselon {

bool readIsoBox(ByteReader& reader, uint64_t at, uint64_t limit, IsoBox& box) {
    uint8_t h[16];
    if (at > limit || limit - at < kIsoBoxHeader || !readExact(reader, at, h, kIsoBoxHeader)) return false;
    std::memcpy(box.type, h + 4, 4);
    uint64_t size = be32(h);
    box.contentStart = at + kIsoBoxHeader;
    if (size == 1) {
        if (!readExact(reader, at + kIsoBoxHeader, h + 8, 8)) return false;
        size = be64(h + 8);
        box.contentStart += 8;
    } else if (size == 0) {
        size = limit - at;
    }
    if (size < box.contentStart - at || size > limit - at) return false;
    box.end = at + size;
    return true;
}

bool isBoxType(const IsoBox& box, const char* type) { return std::memcmp(box.type, type, 4) == 0; }

}  // namespace tesselon
