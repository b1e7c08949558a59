#include "runtime/imaging/image_header.h"

#include "runtime/imaging/header_fields.h"
#include "runtime/imaging/image_formats.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tesselon {

namespace {

constexpr size_t kWindowSize = 64 * 1024;
constexpr size_t kProbeBytes = 64;
// Codec libraries' own bookkeeping besides the pixels (tables, row buffers).
constexpr uint64_t kCodecOverhead = uint64_t(1) << 20;

bool isStartOfFrame(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Skips a run of GIF sub-blocks (size byte, data) up to its zero terminator.
bool skipSubBlocks(ByteReader& reader, uint64_t& at, int& blocks) {
    for (; blocks < kMaxHeaderBlocks; ++blocks) {
        uint8_t size = 0;
        if (!readExact(reader, at, &size, 1)) return false;
        ++at;
        if (size == 0) return true;
        at += size;
    }
    return false;
}

}  // namespace

void declarePng(ByteReader& reader, DeclaredImage& d) {
    // Signature, then the IHDR chunk: length, type, width, height, bit depth.
    uint8_t h[25];
    if (!readExact(reader, 0, h, sizeof h) || std::memcmp(h + 12, "IHDR", 4) != 0) return;
    d.bitsPerSample = h[24];
    setDeclaredSize(d, be32(h + 16), be32(h + 20));
}

void declareJpeg(ByteReader& reader, DeclaredImage& d) {
    uint64_t at = 2;
    for (int blocks = 0; blocks < kMaxHeaderBlocks; ++blocks) {
        uint8_t m[2];
        if (!readExact(reader, at, m, 2) || m[0] != 0xFF) return;
        const uint8_t marker = m[1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length follows
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return;  // end of image or scan data before any frame
        uint8_t segment[8];
        if (!readExact(reader, at + 2, segment, 2)) return;
        const uint16_t length = be16(segment);
        if (length < 2) return;
        if (isStartOfFrame(marker)) {
            if (length < 8 || !readExact(reader, at + 2, segment, 8)) return;
            d.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            d.components = std::max<int>(1, segment[7]);
            // A height of 0 is given later (DNL): the size stays unknown.
            setDeclaredSize(d, be16(segment + 5), be16(segment + 3));
            // Progressive data keeps two bytes per coefficient of every component.
            if (d.progressive)
                d.decoderBytes = std::min(saturatingProduct(d.pixels(), 2 * uint64_t(d.components)), kMaxCodecMemory);
            return;
        }
        at += 2 + uint64_t(length);
    }
}

void declareGif(ByteReader& reader, DeclaredImage& d) {
    uint8_t screen[13];
    if (!readExact(reader, 0, screen, sizeof screen)) return;
    int64_t width = le16(screen + 6), height = le16(screen + 8);
    uint64_t at = 13;
    if (screen[10] & 0x80) at += 3u << ((screen[10] & 7) + 1);
    d.frames = 0;
    int blocks = 0;
    // Walks the blocks as the decoder does; it stops where they stop making sense.
    while (blocks < kMaxHeaderBlocks) {
        uint8_t kind = 0;
        if (!readExact(reader, at, &kind, 1)) break;
        ++at;
        if (kind == 0x21) {
            ++at;  // label
            if (!skipSubBlocks(reader, at, blocks)) break;
        } else if (kind == 0x2C) {
            uint8_t desc[9];
            if (!readExact(reader, at, desc, sizeof desc)) break;
            at += sizeof desc;
            const uint64_t left = le16(desc), top = le16(desc + 2), w = le16(desc + 4), h = le16(desc + 6);
            if (d.frames == 0 && (width == 0 || height == 0)) {
                // Writers that leave the screen size zero let the first frame define it.
                if (width == 0) width = int64_t(left + w);
                if (height == 0) height = int64_t(top + h);
            }
            d.largestFramePixels = std::max(d.largestFramePixels, w * h);
            ++d.frames;
            if (desc[8] & 0x80) at += 3u << ((desc[8] & 7) + 1);
            ++at;  // LZW code size
            if (!skipSubBlocks(reader, at, blocks)) break;
        } else {
            break;  // trailer, or data the decoder stops at too
        }
        ++blocks;
    }
    d.frames = std::max<int64_t>(d.frames, 1);
    setDeclaredSize(d, width, height);
    if (d.largestFramePixels == 0) d.largestFramePixels = d.pixels();
    // Every frame is stored whole, besides the canvas and the copy a "restore previous"
    // disposal keeps.
    const uint64_t image = saturatingProduct(d.pixels(), 4);
    d.decoderBytes = std::min(saturatingProduct(image, uint64_t(d.frames)), kMaxTotalFrameBytes) + image;
}

void declareTiff(ByteReader& reader, DeclaredImage& d) {
    uint8_t h[16];
    if (!readExact(reader, 0, h, 8)) return;
    const bool little = h[0] == 'I';
    const auto u16 = [little](const uint8_t* p) { return little ? le16(p) : be16(p); };
    const auto u32 = [little](const uint8_t* p) { return little ? le32(p) : be32(p); };
    const auto u64 = [&](const uint8_t* p) {
        return little ? uint64_t(u32(p)) | (uint64_t(u32(p + 4)) << 32) : (uint64_t(u32(p)) << 32) | u32(p + 4);
    };
    const bool big = u16(h + 2) == 43;
    uint64_t ifd = 0;
    uint64_t count = 0;
    if (big) {
        if (!readExact(reader, 0, h, 16)) return;
        ifd = u64(h + 8);
        uint8_t n[8];
        if (!readExact(reader, ifd, n, 8)) return;
        count = u64(n);
        ifd += 8;
    } else {
        ifd = u32(h + 4);
        uint8_t n[2];
        if (!readExact(reader, ifd, n, 2)) return;
        count = u16(n);
        ifd += 2;
    }
    const size_t entrySize = big ? 20 : 12;
    int64_t width = 0, height = 0;
    for (uint64_t i = 0; i < std::min<uint64_t>(count, 4096); ++i) {
        uint8_t e[20];
        if (!readExact(reader, ifd + i * entrySize, e, entrySize)) break;
        const uint16_t tag = u16(e), type = u16(e + 2);
        const uint8_t* value = e + (big ? 12 : 8);
        uint64_t number = 0;
        if (type == 3) number = u16(value);        // SHORT
        else if (type == 4) number = u32(value);   // LONG
        else if (type == 16) number = u64(value);  // LONG8
        else continue;
        if (tag == 256) width = int64_t(std::min<uint64_t>(number, INT64_MAX));
        if (tag == 257) height = int64_t(std::min<uint64_t>(number, INT64_MAX));
        if (tag == 258) d.bitsPerSample = int(std::min<uint64_t>(number, 64));
    }
    setDeclaredSize(d, width, height);
    // Strip and tile buffers besides the RGBA raster.
    const uint64_t image = saturatingProduct(d.pixels(), 4);
    d.decoderBytes = std::min(saturatingProduct(image, d.bitsPerSample > 8 ? 2 : 1), kMaxCodecMemory);
}

void declareBmp(ByteReader& reader, DeclaredImage& d) {
    uint8_t h[26];
    if (!readExact(reader, 0, h, 18)) return;
    const uint32_t headerSize = le32(h + 14);
    if (headerSize == 12) {
        if (!readExact(reader, 0, h, 22)) return;
        setDeclaredSize(d, le16(h + 18), le16(h + 20));
    } else if (headerSize >= 16) {
        if (!readExact(reader, 0, h, 26)) return;
        const int64_t width = int32_t(le32(h + 18));
        const int64_t height = int32_t(le32(h + 22));
        setDeclaredSize(d, width, height < 0 ? -height : height);
    }
}

size_t MemoryByteReader::readAt(uint64_t offset, void* out, size_t length) {
    if (offset >= size_) return 0;
    const size_t n = size_t(std::min<uint64_t>(length, size_ - offset));
    std::memcpy(out, data_ + offset, n);
    return n;
}

size_t FileByteReader::readAt(uint64_t offset, void* out, size_t length) {
    if (offset >= size_) return 0;
    length = size_t(std::min<uint64_t>(length, size_ - offset));
    if (length > kWindowSize / 2) {
        size_t done = 0;
        while (done < length) {
            const ssize_t got = ::pread(fd_, static_cast<char*>(out) + done, length - done, off_t(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            done += size_t(got);
        }
        return done;
    }
    if (offset < windowStart_ || offset + length > windowStart_ + window_.size()) {
        window_.resize(kWindowSize);
        size_t filled = 0;
        while (filled < window_.size()) {
            const ssize_t got = ::pread(fd_, window_.data() + filled, window_.size() - filled, off_t(offset + filled));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            filled += size_t(got);
        }
        window_.resize(filled);
        windowStart_ = offset;
    }
    const size_t n = size_t(std::min<uint64_t>(length, windowStart_ + window_.size() - offset));
    std::memcpy(out, window_.data() + (offset - windowStart_), n);
    return n;
}

std::optional<DeclaredImage> readDeclaredImage(ByteReader& reader, const CodecRegistry& registry) {
    uint8_t start[kProbeBytes];
    const size_t got = reader.readAt(0, start, sizeof start);
    if (got == 0) return std::nullopt;
    DeclaredImage d;
    for (const DecoderEntry& decoder : registry.decoders()) {
        // The probes look at the signature only; the whole size lets them accept it.
        if (decoder.probe && decoder.probe(start, got)) {
            d.format = decoder.format;
            break;
        }
    }
    if (d.format == kFormatNone) return std::nullopt;
    // A decoder of the program's own, outside the table, declares no size.
    const ImageFormat* format = formatByCode(d.format);
    if (format && format->declare) format->declare(reader, d);
    return d;
}

DecodeLimits limitsForDeclared(const DeclaredImage& declared, const DecodeLimits& base) {
    DecodeLimits limits = base;
    if (!declared.sizeKnown) return limits;
    limits.maxPixels = std::min(base.maxPixels, std::max(declared.pixels(), declared.largestFramePixels));
    if (declared.format == kFormatGIF) {
        const uint64_t frameBytes = saturatingProduct(declared.pixels(), 4);
        limits.maxTotalFrameBytes =
            std::min(base.maxTotalFrameBytes, saturatingProduct(frameBytes, uint64_t(declared.frames)));
    }
    return limits;
}

uint64_t decodeMemoryBound(const DeclaredImage& d) {
    return saturatingProduct(d.pixels(), 4) + kCodecOverhead + d.decoderBytes;
}

}  // namespace tesselon
