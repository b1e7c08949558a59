// Reading the fixed-size fields of image headers through a ByteReader, for the header
// readers of every format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/imaging/image_header.h"

namespace tesselon {

inline uint16_t be16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline uint32_t be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
inline uint64_t be64(const uint8_t* p) { return (uint64_t(be32(p)) << 32) | be32(p + 4); }
inline uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t le24(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16); }
inline uint32_t le32(const uint8_t* p) { return le24(p) | (uint32_t(p[3]) << 24); }

inline bool readExact(ByteReader& reader, uint64_t offset, void* out, size_t length) {
    return reader.readAt(offset, out, length) == length;
}

// Records a declared size; a zero or negative side leaves the size unknown.
inline void setDeclaredSize(DeclaredImage& d, int64_t width, int64_t height) {
    d.width = width;
    d.height = height;
    d.sizeKnown = width > 0 && height > 0;
}

inline uint64_t saturatingProduct(uint64_t a, uint64_t b) {
    if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
    return a * b;
}

// Header walks give up after this many blocks; a file made of nothing else would keep
// the walk busy for no picture.
constexpr int kMaxHeaderBlocks = 4'000'000;

}  // namespace tesselon
