#include "runtime/imaging/iso_items.h"

#include <cstring>
#include <unordered_map>

#include "runtime/imaging/header_fields.h"

namespace tesselon {

namespace {

// libheif's own bounds: a file beyond them is refused by the decoder anyway.
constexpr size_t kMaxItems = 20000;
constexpr size_t kMaxExtentsPerItem = 32;
constexpr size_t kMaxProperties = 20000;

// Reads big-endian fields of `width` bytes (0, 1, 2, 4 or 8) forward through a box.
class FieldReader {
public:
    FieldReader(ByteReader& reader, uint64_t at, uint64_t end) : reader_(reader), at_(at), end_(end) {}

    bool read(int width, uint64_t& value) {
        uint8_t b[8];
        value = 0;
        if (width == 0) return true;
        if (width > 8 || end_ - at_ < uint64_t(width) || !readExact(reader_, at_, b, size_t(width))) return false;
        for (int i = 0; i < width; ++i) value = (value << 8) | b[i];
        at_ += uint64_t(width);
        return true;
    }
    uint64_t at() const { return at_; }

private:
    ByteReader& reader_;
    uint64_t at_;
    uint64_t end_;
};

struct MetaBoxes {
    std::optional<IsoBox> iloc, iinf, ipco, idat;
    std::vector<IsoBox> ipma;
};

bool readFullBoxHeader(ByteReader& reader, const IsoBox& box, uint8_t& version, uint32_t& flags) {
    uint8_t h[4];
    if (box.end - box.contentStart < kIsoFullBoxFields || !readExact(reader, box.contentStart, h, 4)) return false;
    version = h[0];
    flags = (uint32_t(h[1]) << 16) | (uint32_t(h[2]) << 8) | h[3];
    return true;
}

// A full box's version and flags, then a reader of the fields after them; nothing when
// the box is too short for them.
std::optional<FieldReader> openFullBox(ByteReader& reader, const IsoBox& box, uint8_t& version, uint32_t& flags) {
    if (!readFullBoxHeader(reader, box, version, flags)) return std::nullopt;
    return FieldReader(reader, box.contentStart + kIsoFullBoxFields, box.end);
}

std::optional<MetaBoxes> findMetaBoxes(ByteReader& reader) {
    IsoBox box;
    int blocks = 0;
    for (uint64_t at = 0; blocks++ < kMaxHeaderBlocks && readIsoBox(reader, at, reader.size(), box); at = box.end) {
        if (!isBoxType(box, "meta")) continue;
        MetaBoxes meta;
        IsoBox child;
        for (uint64_t in = box.contentStart + kIsoFullBoxFields;
             blocks++ < kMaxHeaderBlocks && readIsoBox(reader, in, box.end, child); in = child.end) {
            if (isBoxType(child, "iloc") && !meta.iloc) meta.iloc = child;
            else if (isBoxType(child, "iinf") && !meta.iinf) meta.iinf = child;
            else if (isBoxType(child, "idat") && !meta.idat) meta.idat = child;
            else if (isBoxType(child, "iprp")) {
                IsoBox property;
                for (uint64_t p = child.contentStart;
                     blocks++ < kMaxHeaderBlocks && readIsoBox(reader, p, child.end, property); p = property.end) {
                    if (isBoxType(property, "ipco") && !meta.ipco) meta.ipco = property;
                    else if (isBoxType(property, "ipma")) meta.ipma.push_back(property);
                }
            }
        }
        return meta;
    }
    return std::nullopt;
}

class ItemTable {
public:
    IsoItem* find(uint32_t id) {
        const auto it = index_.find(id);
        return it == index_.end() ? nullptr : &items_.items[it->second];
    }
    IsoItem* findOrAdd(uint32_t id) {
        if (IsoItem* item = find(id)) return item;
        if (items_.items.size() >= kMaxItems) return nullptr;
        index_.emplace(id, items_.items.size());
        items_.items.push_back(IsoItem{});
        items_.items.back().id = id;
        return &items_.items.back();
    }
    IsoItems& items() { return items_; }

private:
    IsoItems items_;
    std::unordered_map<uint32_t, size_t> index_;
};

bool readLocations(ByteReader& reader, const IsoBox& iloc, const std::optional<IsoBox>& idat, ItemTable& table) {
    uint8_t version = 0;
    uint32_t flags = 0;
    std::optional<FieldReader> fields = openFullBox(reader, iloc, version, flags);
    if (!fields || version > 2) return false;
    FieldReader& in = *fields;
    uint64_t sizes = 0, count = 0;
    if (!in.read(2, sizes) || !in.read(version < 2 ? 2 : 4, count)) return false;
    const int offsetSize = int(sizes >> 12) & 15, lengthSize = int(sizes >> 8) & 15;
    const int baseSize = int(sizes >> 4) & 15, indexSize = version >= 1 ? int(sizes & 15) : 0;
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t id = 0, method = 0, reference = 0, base = 0, extents = 0;
        if (!in.read(version < 2 ? 2 : 4, id)) return false;
        if (version >= 1 && !in.read(2, method)) return false;
        method &= 15;
        if (!in.read(2, reference) || !in.read(baseSize, base) || !in.read(2, extents)) return false;
        if (extents > kMaxExtentsPerItem) return false;
        IsoItem* item = table.findOrAdd(uint32_t(id));
        if (!item) return false;
        // Data in another file, or in another item, is not where the decoder finds it here.
        item->located = reference == 0 && (method == 0 || (method == 1 && idat));
        item->extents.clear();
        const uint64_t origin = method == 1 && idat ? idat->contentStart : 0;
        const uint64_t limit = method == 1 && idat ? idat->end : reader.size();
        for (uint64_t e = 0; e < extents; ++e) {
            uint64_t index = 0, offset = 0, length = 0;
            if (!in.read(indexSize, index) || !in.read(offsetSize, offset) || !in.read(lengthSize, length))
                return false;
            if (!item->located) continue;
            if (base > limit || offset > limit - base || origin > limit - base - offset) return false;
            const uint64_t start = origin + base + offset;
            if (start > limit) return false;
            if (length == 0) length = limit - start;  // to the end of the file (or idat)
            if (length > limit - start) return false;
            item->extents.push_back(IsoExtent{start, length});
        }
    }
    return true;
}

bool readItemTypes(ByteReader& reader, const IsoBox& iinf, ItemTable& table) {
    uint8_t version = 0;
    uint32_t flags = 0;
    std::optional<FieldReader> fields = openFullBox(reader, iinf, version, flags);
    if (!fields) return false;
    FieldReader& in = *fields;
    uint64_t count = 0;
    if (!in.read(version == 0 ? 2 : 4, count)) return false;
    IsoBox entry;
    uint64_t at = in.at();
    for (uint64_t i = 0; i < count; ++i, at = entry.end) {
        if (!readIsoBox(reader, at, iinf.end, entry)) return false;
        if (!isBoxType(entry, "infe")) continue;
        uint8_t entryVersion = 0;
        uint32_t entryFlags = 0;
        std::optional<FieldReader> entryFields = openFullBox(reader, entry, entryVersion, entryFlags);
        // Entries before version 2 give no item type.
        if (!entryFields || entryVersion < 2) continue;
        uint64_t id = 0, protection = 0, type = 0;
        if (!entryFields->read(entryVersion == 2 ? 2 : 4, id) || !entryFields->read(2, protection) ||
            !entryFields->read(4, type))
            return false;
        IsoItem* item = table.findOrAdd(uint32_t(id));
        if (!item) return false;
        for (int k = 0; k < 4; ++k) item->type[k] = char(type >> (24 - 8 * k));
    }
    return true;
}

bool readProperties(ByteReader& reader, const IsoBox& ipco, IsoItems& items) {
    IsoBox property;
    for (uint64_t at = ipco.contentStart; at < ipco.end; at = property.end) {
        if (!readIsoBox(reader, at, ipco.end, property) || items.properties.size() >= kMaxProperties) return false;
        items.properties.push_back(property);
    }
    return true;
}

bool readAssociations(ByteReader& reader, const IsoBox& ipma, ItemTable& table) {
    uint8_t version = 0;
    uint32_t flags = 0;
    std::optional<FieldReader> fields = openFullBox(reader, ipma, version, flags);
    if (!fields) return false;
    FieldReader& in = *fields;
    uint64_t count = 0;
    if (!in.read(4, count)) return false;
    const size_t properties = table.items().properties.size();
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t id = 0, associations = 0;
        if (!in.read(version < 1 ? 2 : 4, id) || !in.read(1, associations)) return false;
        IsoItem* item = table.findOrAdd(uint32_t(id));
        if (!item) return false;
        for (uint64_t a = 0; a < associations; ++a) {
            uint64_t entry = 0;
            if (!in.read(flags & 1 ? 2 : 1, entry)) return false;
            const uint64_t index = entry & (flags & 1 ? 0x7FFF : 0x7F);  // the top bit: essential
            if (index == 0) continue;                                    // no property
            if (index > properties) return false;
            item->properties.push_back(uint32_t(index - 1));
        }
    }
    return true;
}

}  // namespace

std::optional<IsoItems> readIsoItems(ByteReader& reader) {
    const std::optional<MetaBoxes> meta = findMetaBoxes(reader);
    if (!meta) return std::nullopt;
    ItemTable table;
    if (meta->iloc && !readLocations(reader, *meta->iloc, meta->idat, table)) return std::nullopt;
    if (meta->iinf && !readItemTypes(reader, *meta->iinf, table)) return std::nullopt;
    if (meta->ipco && !readProperties(reader, *meta->ipco, table.items())) return std::nullopt;
    for (const IsoBox& ipma : meta->ipma)
        if (!readAssociations(reader, ipma, table)) return std::nullopt;
    return std::move(table.items());
}

bool isItemType(const IsoItem& item, const char* type) { return std::memcmp(item.type, type, 4) == 0; }

const IsoBox* itemProperty(const IsoItems& items, const IsoItem& item, const char* type) {
    for (uint32_t index : item.properties)
        if (index < items.properties.size() && isBoxType(items.properties[index], type)) return &items.properties[index];
    return nullptr;
}

}  // namespace tesselon
