// libpng's read and write states: the decoder and the profile reader read over a block
// of memory, the encoder writes.
#pragma once

#include <png.h>

#include "runtime/imaging/memory_source.h"

namespace tesselon {

// Ancillary chunks (text, profiles) libpng may hold in memory; it refuses larger ones.
constexpr png_alloc_size_t kMaxPngChunkBytes = 8u << 20;

// Errors longjmp back to the function that armed png_jmpbuf; warnings are dropped.
inline void pngJumpOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
inline void pngDropWarning(png_structp, png_const_charp) {}

// The read callback for png_set_read_fn with a MemorySource as the io pointer.
inline void pngReadFromMemory(png_structp png, png_bytep out, size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (source->read(out, length) != length) png_error(png, "truncated");
}

class PngReadStruct {
public:
    PngReadStruct() {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngJumpOnError, pngDropWarning);
        if (png_) info_ = png_create_info_struct(png_);
    }
    ~PngReadStruct() {
        if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
    }
    PngReadStruct(const PngReadStruct&) = delete;
    PngReadStruct& operator=(const PngReadStruct&) = delete;

    bool valid() const { return png_ && info_; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

class PngWriteStruct {
public:
    PngWriteStruct() {
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngJumpOnError, pngDropWarning);
        if (png_) info_ = png_create_info_struct(png_);
    }
    ~PngWriteStruct() {
        if (png_) png_destroy_write_struct(&png_, info_ ? &info_ : nullptr);
    }
    PngWriteStruct(const PngWriteStruct&) = delete;
    PngWriteStruct& operator=(const PngWriteStruct&) = delete;

    bool valid() const { return png_ && info_; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

}  // namespace tesselon
