// The items of the meta box of a HEIF or AVIF file: what each item is, where its data
// lies in the file, and which of the item properties belong to it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/imaging/iso_boxes.h"

namespace tesselon {

class ByteReader;

// Bytes of the file, by absolute offset.
struct IsoExtent {
    uint64_t offset = 0;
    uint64_t length = 0;
};

struct IsoItem {
    uint32_t id = 0;
    char type[4] = {};                // from the item's info entry; zeros without one
    bool located = false;             // its data lies in this file, in `extents`
    std::vector<IsoExtent> extents;   // in order; together they are the item's data
    std::vector<uint32_t> properties; // indexes into IsoItems::properties
};

struct IsoItems {
    std::vector<IsoBox> properties;  // the boxes of the item property container, in order
    std::vector<IsoItem> items;      // in the order of the location box, then the others
};

// Nothing when the file has no meta box, when one of its item boxes is cut short or
// names what lies outside the file, or when it names more items, extents or properties
// than the decoder takes.
std::optional<IsoItems> readIsoItems(ByteReader& reader);

bool isItemType(const IsoItem& item, const char* type);

// The first property of the item of the type given, or null.
const IsoBox* itemProperty(const IsoItems& items, const IsoItem& item, const char* type);

}  // namespace tesselon
