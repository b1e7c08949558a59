#include "runtime/imaging/coded_size_check.h"

#include <algorithm>
#include <vector>

#include "runtime/imaging/coded_picture_size.h"
#include "runtime/imaging/header_fields.h"
#include "runtime/imaging/iso_items.h"

namespace tesselon {

namespace {

// A configuration box holds parameter sets of a few hundred bytes; anything near this
// is no picture's.
constexpr uint64_t kMaxConfigurationBytes = 1 << 20;
// The fields read lie in the first few dozen bytes of a parameter set.
constexpr size_t kParameterSetBytes = 1024;
constexpr uint64_t kCodingBlock = 64;

// The item's data, its extents one after the other, read as one file.
class ExtentReader : public ByteReader {
public:
    ExtentReader(ByteReader& file, const std::vector<IsoExtent>& extents) : file_(file), extents_(extents) {
        for (const IsoExtent& e : extents) size_ += e.length;
    }
    uint64_t size() const override { return size_; }
    size_t readAt(uint64_t offset, void* out, size_t length) override {
        size_t done = 0;
        uint64_t start = 0;
        for (const IsoExtent& e : extents_) {
            if (done == length) break;
            const uint64_t at = offset + done;
            if (at < start + e.length) {
                const size_t n = size_t(std::min<uint64_t>(length - done, start + e.length - at));
                const size_t got = file_.readAt(e.offset + (at - start), static_cast<char*>(out) + done, n);
                done += got;
                if (got < n) break;
            }
            start += e.length;
        }
        return done;
    }

private:
    ByteReader& file_;
    const std::vector<IsoExtent>& extents_;
    uint64_t size_ = 0;
};

struct Extent {
    uint64_t width = 0;
    uint64_t height = 0;
};

struct Check {
    ByteReader& file;
    const IsoItems& items;
    int blocks = 0;  // NAL units and OBUs walked, over the whole file
    CodedSizeVerdict verdict = CodedSizeVerdict::Fits;

    void fail(CodedSizeVerdict why) {
        if (verdict == CodedSizeVerdict::Fits || why == CodedSizeVerdict::Unreadable) verdict = why;
    }
    bool counted() { return ++blocks <= kMaxHeaderBlocks; }
};

uint64_t roundedUp(uint64_t side) { return (side + kCodingBlock - 1) / kCodingBlock * kCodingBlock; }

// Either way round: libheif itself (1.15) declares the extent of a turned picture as it
// shows, its sides exchanged, and what fits either way takes no more memory than declared.
bool fitsWithin(uint64_t width, uint64_t height, const Extent& extent) {
    return (width <= extent.width && height <= extent.height) || (width <= extent.height && height <= extent.width);
}

std::optional<Extent> spatialExtent(ByteReader& file, const IsoItems& items, const IsoItem& item) {
    const IsoBox* ispe = itemProperty(items, item, "ispe");
    uint8_t e[12];
    if (!ispe || ispe->end - ispe->contentStart < sizeof e || !readExact(file, ispe->contentStart, e, sizeof e))
        return std::nullopt;
    return Extent{be32(e + 4), be32(e + 8)};
}

void compare(Check& check, const std::optional<CodedPictureSize>& coded, const Extent& allowed) {
    if (!coded) return check.fail(CodedSizeVerdict::Unreadable);
    if (!fitsWithin(coded->width, coded->height, allowed)) check.fail(CodedSizeVerdict::Exceeds);
}

// One HEVC NAL unit of `length` bytes at `at`: a base-layer sequence parameter set is
// compared, anything else passed by.
void checkHevcNal(Check& check, ByteReader& reader, uint64_t at, uint64_t length, const Extent& allowed) {
    uint8_t header[2];
    if (length < 2 || !readExact(reader, at, header, 2)) return;
    const int layer = ((header[0] & 1) << 5) | (header[1] >> 3);
    if (hevcNalType(header[0]) != kHevcSequenceParameterSet || layer != 0) return;
    std::vector<uint8_t> nal(size_t(std::min<uint64_t>(length, kParameterSetBytes)));
    if (!readExact(reader, at, nal.data(), nal.size())) return check.fail(CodedSizeVerdict::Unreadable);
    compare(check, hevcSequencePictureSize(nal.data(), nal.size()), allowed);
}

// The parameter set arrays of an HEVC decoder configuration record. Its NAL length
// size, or 0 when the record cannot be read.
int checkHevcConfiguration(Check& check, const IsoBox& hvcC, const Extent& allowed) {
    ByteReader& file = check.file;
    const auto unreadable = [&check] {
        check.fail(CodedSizeVerdict::Unreadable);
        return 0;
    };
    const uint64_t size = hvcC.end - hvcC.contentStart;
    uint8_t fixed[22];  // the record up to its number of arrays
    if (size < sizeof fixed + 1 || size > kMaxConfigurationBytes || !readExact(file, hvcC.contentStart, fixed, sizeof fixed))
        return unreadable();
    uint64_t at = hvcC.contentStart + sizeof fixed;
    uint8_t arrays = 0;
    if (!readExact(file, at++, &arrays, 1)) return unreadable();
    for (int a = 0; a < arrays; ++a) {
        uint8_t h[3];
        if (hvcC.end - at < 3 || !readExact(file, at, h, 3)) return unreadable();
        at += 3;
        for (int n = 0, count = be16(h + 1); n < count; ++n) {
            uint8_t l[2];
            if (hvcC.end - at < 2 || !readExact(file, at, l, 2)) return unreadable();
            at += 2;
            const uint64_t length = be16(l);
            if (length > hvcC.end - at) return unreadable();
            checkHevcNal(check, file, at, length, allowed);
            at += length;
        }
    }
    return (fixed[21] & 3) + 1;
}

// The item's data as the decoder reads it: NAL units, each after its length.
void checkHevcData(Check& check, ByteReader& data, int lengthSize, const Extent& allowed) {
    for (uint64_t at = 0; at < data.size();) {
        uint8_t l[4];
        if (!check.counted() || data.size() - at < uint64_t(lengthSize) || !readExact(data, at, l, size_t(lengthSize)))
            return check.fail(CodedSizeVerdict::Unreadable);
        uint64_t length = 0;
        for (int i = 0; i < lengthSize; ++i) length = (length << 8) | l[i];
        at += uint64_t(lengthSize);
        if (length > data.size() - at) return check.fail(CodedSizeVerdict::Unreadable);
        checkHevcNal(check, data, at, length, allowed);
        at += length;
    }
}

// OBUs from `at` to `end`: every sequence header is compared.
void checkAv1Obus(Check& check, ByteReader& reader, uint64_t at, uint64_t end, const Extent& allowed) {
    constexpr int kSequenceHeader = 1;
    while (at < end) {
        uint8_t header = 0;
        if (!check.counted() || !readExact(reader, at++, &header, 1)) return check.fail(CodedSizeVerdict::Unreadable);
        const int type = (header >> 3) & 15;
        if (header & 4) ++at;  // extension header
        uint64_t length = 0;
        if (header & 2) {
            int shift = 0;
            for (uint8_t byte = 0x80; byte & 0x80; shift += 7) {
                if (shift > 56 || at >= end || !readExact(reader, at++, &byte, 1))
                    return check.fail(CodedSizeVerdict::Unreadable);
                length |= uint64_t(byte & 0x7F) << shift;
            }
        } else {
            length = end > at ? end - at : 0;
        }
        if (at > end || length > end - at) return check.fail(CodedSizeVerdict::Unreadable);
        if (type == kSequenceHeader) {
            std::vector<uint8_t> payload(size_t(std::min<uint64_t>(length, kParameterSetBytes)));
            if (!readExact(reader, at, payload.data(), payload.size())) return check.fail(CodedSizeVerdict::Unreadable);
            compare(check, av1SequenceMaxFrameSize(payload.data(), payload.size()), allowed);
        }
        at += length;
    }
}

// A grid's or an overlay's canvas, from the start of its data.
void checkCanvas(Check& check, ByteReader& data, bool overlay, const Extent& declared) {
    uint8_t h[20];
    const size_t fixed = overlay ? 10 : 4;  // version, flags, then rows and columns or the fill colour
    if (!readExact(data, 0, h, fixed)) return check.fail(CodedSizeVerdict::Unreadable);
    const bool wide = h[1] & 1;
    if (!readExact(data, fixed, h + fixed, wide ? 8 : 4)) return check.fail(CodedSizeVerdict::Unreadable);
    const uint64_t width = wide ? be32(h + fixed) : be16(h + fixed);
    const uint64_t height = wide ? be32(h + fixed + 4) : be16(h + fixed + 2);
    if (!fitsWithin(width, height, declared)) check.fail(CodedSizeVerdict::Exceeds);
}

void checkItem(Check& check, const IsoItem& item) {
    const IsoBox* hvcC = itemProperty(check.items, item, "hvcC");
    const IsoBox* av1C = itemProperty(check.items, item, "av1C");
    const bool canvas = isItemType(item, "grid") || isItemType(item, "iovl");
    if (!hvcC && !av1C && !canvas) return;
    const std::optional<Extent> declared = spatialExtent(check.file, check.items, item);
    if (!declared || !item.located) return check.fail(CodedSizeVerdict::Unreadable);
    ExtentReader data(check.file, item.extents);
    if (canvas) return checkCanvas(check, data, isItemType(item, "iovl"), *declared);
    const Extent allowed{roundedUp(declared->width), roundedUp(declared->height)};
    if (hvcC) {
        const int lengthSize = checkHevcConfiguration(check, *hvcC, allowed);
        if (lengthSize > 0) checkHevcData(check, data, lengthSize, allowed);
        return;
    }
    // The fixed four bytes of the configuration, then its OBUs.
    if (av1C->end - av1C->contentStart < 4 || av1C->end - av1C->contentStart > kMaxConfigurationBytes)
        return check.fail(CodedSizeVerdict::Unreadable);
    checkAv1Obus(check, check.file, av1C->contentStart + 4, av1C->end, allowed);
    checkAv1Obus(check, data, 0, data.size(), allowed);
}

}  // namespace

CodedSizeVerdict checkCodedSizes(ByteReader& reader) {
    const std::optional<IsoItems> items = readIsoItems(reader);
    if (!items) return CodedSizeVerdict::Unreadable;
    Check check{reader, *items};
    for (const IsoItem& item : items->items) {
        checkItem(check, item);
        if (check.verdict == CodedSizeVerdict::Unreadable) break;
    }
    return check.verdict;
}

}  // namespace tesselon
