// The boxes of the ISO base media file format (HEIF, AVIF): a size, a type and content,
// nested.
#pragma once

#include <cstdint>

namespace tesselon {

class ByteReader;

struct IsoBox {
    char type[4] = {};
    uint64_t contentStart = 0;
    uint64_t end = 0;  // exclusive
};

// The size of a box header and of the version and flags that open a full box.
constexpr uint64_t kIsoBoxHeader = 8;
constexpr uint64_t kIsoFullBoxFields = 4;

// The box at `at`, which must end within `limit`; false when it does not fit.
bool readIsoBox(ByteReader& reader, uint64_t at, uint64_t limit, IsoBox& box);

bool isBoxType(const IsoBox& box, const char* type);

}  // namespace tesselon
