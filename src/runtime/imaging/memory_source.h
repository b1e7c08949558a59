// Sequential reads from a block of memory, for the libraries that pull their input
// through callbacks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tesselon {

struct MemorySource {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t offset = 0;

    size_t remaining() const { return size - offset; }

    // Copies up to n bytes; returns how many there were.
    size_t read(void* out, size_t n) {
        n = std::min(n, remaining());
        if (n > 0) std::memcpy(out, data + offset, n);
        offset += n;
        return n;
    }
};

// Little-endian fields of file headers; the caller checks the bounds.
inline uint16_t readLe16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t readLe32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

}  // namespace tesselon
