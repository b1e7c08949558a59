#include "runtime/imaging/png_metadata.h"

#include "runtime/imaging/embedded_metadata.h"
#include "runtime/imaging/png_structs.h"

namespace tesselon {

namespace {

constexpr const char* kProfileName = "ICC Profile";

// The setjmp frame: nothing in it has a destructor, so libpng's longjmp on an error
// skips no C++ clean-up.
bool readProfile(png_structp png, png_infop info, MemorySource* source, png_bytep* profile, png_uint_32* length) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, source, pngReadFromMemory);
    png_set_chunk_malloc_max(png, kMaxPngChunkBytes);
    // The profile overrides the simpler colour chunks; libpng would drop it when they
    // disagree with it, so they are not read at all.
    static constexpr png_byte kIgnored[] = "cHRM\0gAMA\0sRGB";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnored, 3);
    png_read_info(png, info);
    png_charp name = nullptr;
    int compression = 0;
    return png_get_iCCP(png, info, &name, &compression, profile, length) != 0;
}

}  // namespace

std::string readPngIccProfile(const uint8_t* data, size_t size) {
    PngReadStruct reader;
    if (!reader.valid()) return {};
    MemorySource source{data, size};
    png_bytep profile = nullptr;  // owned by the info struct
    png_uint_32 length = 0;
    if (!readProfile(reader.png(), reader.info(), &source, &profile, &length) || !profile) return {};
    return std::string(reinterpret_cast<const char*>(profile), length);
}

void writePngIccProfile(png_structp png, png_infop info, const std::string& icc) {
    if (!isRgbIccProfile(icc)) return;
    png_set_benign_errors(png, 1);
    png_set_iCCP(png, info, kProfileName, PNG_COMPRESSION_TYPE_BASE, reinterpret_cast<png_const_bytep>(icc.data()),
                 png_uint_32(icc.size()));
}

}  // namespace tesselon
