// What an image file says about itself before it is decoded: its format, its size and,
// for GIF, how many frames it holds. A batch reserves memory by these figures, so a tiny
// file declaring an enormous picture is known for what it is before any pixel exists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_limits.h"

namespace tesselon {

// Random access to the bytes of an image file.
class ByteReader {
public:
    virtual ~ByteReader() = default;
    virtual uint64_t size() const = 0;
    // Copies up to `length` bytes from `offset`; returns how many there were.
    virtual size_t readAt(uint64_t offset, void* out, size_t length) = 0;
};

// A block of memory read as a file.
class MemoryByteReader : public ByteReader {
public:
    MemoryByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t size() const override { return size_; }
    size_t readAt(uint64_t offset, void* out, size_t length) override;

private:
    const uint8_t* data_;
    size_t size_;
};

// An open file read with pread through a small window, so walking many small header
// blocks costs few system calls.
class FileByteReader : public ByteReader {
public:
    FileByteReader(int fd, uint64_t size) : fd_(fd), size_(size) {}
    uint64_t size() const override { return size_; }
    size_t readAt(uint64_t offset, void* out, size_t length) override;

private:
    int fd_;
    uint64_t size_;
    std::string window_;
    uint64_t windowStart_ = 0;
};

struct DeclaredImage {
    uint32_t format = kFormatNone;  // the decoder that will take the data
    bool sizeKnown = false;         // false: the header could not be read for a size
    int64_t width = 0;              // GIF: the canvas the frames are laid on
    int64_t height = 0;
    int64_t frames = 1;             // GIF: image descriptors in the file
    uint64_t largestFramePixels = 0;  // GIF: the largest frame rectangle
    int components = 4;             // JPEG: colour components
    bool progressive = false;       // JPEG: decoded through whole-image coefficient buffers
    int bitsPerSample = 8;          // PNG and TIFF: 16 doubles the decoder's row buffers
    uint64_t decoderBytes = 0;      // what the decoder holds besides the image it makes
    // HEIF and AVIF: the file codes a larger picture than it declares (coded_size_check.h);
    // its decoder refuses it.
    bool codedBeyondDeclared = false;

    uint64_t pixels() const { return uint64_t(width) * uint64_t(height); }
};

// The header readers of the formats: each sets the size and what its decoder needs.
void declarePng(ByteReader& reader, DeclaredImage& declared);
void declareJpeg(ByteReader& reader, DeclaredImage& declared);
void declareGif(ByteReader& reader, DeclaredImage& declared);
void declareTiff(ByteReader& reader, DeclaredImage& declared);
void declareBmp(ByteReader& reader, DeclaredImage& declared);

// Which of the registry's decoders takes the data (the first whose probe accepts its
// first bytes, as decoding picks it) and what the header declares. Nothing when no
// decoder takes the data. `sizeKnown` is false for a known format whose header does not
// give a usable size; such a file may still decode.
std::optional<DeclaredImage> readDeclaredImage(ByteReader& reader, const CodecRegistry& registry);

// Limits that let the decoder produce nothing larger than the header declared.
DecodeLimits limitsForDeclared(const DeclaredImage& declared, const DecodeLimits& base);

// An upper bound of the memory the decoder takes for the image, its result included.
uint64_t decodeMemoryBound(const DeclaredImage& declared);

}  // namespace tesselon
