// Times the imaging service on one JPEG file: decoding, smooth resizing to 1600 pixels
// wide (24-bit area averaging and 32-bit Mitchell), and encoding, on one thread.
//
// Usage: imaging_bench photo.jpg [repeats]
// Each figure is the best of the repeats, in milliseconds and megapixels per second of
// the source image.
#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_resize.h"
#include "runtime/imaging/image_save.h"

using namespace tesselon;

namespace {

double bestMilliseconds(int repeats, const std::function<bool()>& run) {
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!run()) {
            std::fprintf(stderr, "operation failed\n");
            std::exit(1);
        }
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// The library alone, as a program that owns its buffers would call it: decoding into a
// plain malloc'd buffer (no zero fill) and encoding from one, both in memory.
bool bareDecode(const std::string& file, std::vector<uint8_t*>& rows, uint8_t*& buffer) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const size_t pitch = (size_t(cinfo.output_width) * 3 + 3) & ~size_t(3);
    std::free(buffer);
    buffer = static_cast<uint8_t*>(std::malloc(pitch * cinfo.output_height));
    rows.resize(cinfo.output_height);
    for (size_t y = 0; y < rows.size(); ++y) rows[y] = buffer + (rows.size() - 1 - y) * pitch;
    while (cinfo.output_scanline < cinfo.output_height) {
        jpeg_read_scanlines(&cinfo, rows.data() + cinfo.output_scanline, cinfo.output_height - cinfo.output_scanline);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool bareEncode(const ImageObject& image, unsigned char*& out, unsigned long& size) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    std::free(out);
    out = nullptr;
    size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(image.width);
    cinfo.image_height = JDIMENSION(image.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 70, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPROW> rows(size_t(image.height));
    for (int y = 0; y < image.height; ++y) rows[size_t(y)] = const_cast<JSAMPROW>(image.row(y));
    while (cinfo.next_scanline < cinfo.image_height) {
        jpeg_write_scanlines(&cinfo, rows.data() + cinfo.next_scanline, cinfo.image_height - cinfo.next_scanline);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

void report(const char* what, double ms, double megapixels) {
    std::printf("%-34s %9.1f ms %8.1f MP/s\n", what, ms, megapixels / (ms / 1000.0));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s photo.jpg [repeats]\n", argv[0]);
        return 2;
    }
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::optional<std::string> file = readWholeFile(argv[1]);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const CodecRegistry& registry = standardRegistry();
    const auto* bytes = reinterpret_cast<const uint8_t*>(file->data());

    std::optional<ImageObject> photo;
    const double decodeMs = bestMilliseconds(repeats, [&] {
        photo = catchImage(bytes, file->size(), registry);
        return photo.has_value();
    });
    const double megapixels = double(photo->width) * photo->height / 1e6;
    std::printf("%s: %d x %d, %.1f megapixels, %zu bytes\n", argv[1], photo->width, photo->height, megapixels,
                file->size());
    report("decode (JPEG)", decodeMs, megapixels);
    std::vector<uint8_t*> bareRows;
    uint8_t* bareBuffer = nullptr;
    report("  bare libjpeg decode (memory)", bestMilliseconds(repeats, [&] { return bareDecode(*file, bareRows, bareBuffer); }),
           megapixels);
    std::free(bareBuffer);

    const int newWidth = 1600;
    const int newHeight = int(int64_t(photo->height) * newWidth / photo->width);
    report("resize 24-bit area to 1600 wide", bestMilliseconds(repeats, [&] {
               ImageObject copy = *photo;
               return resizeImage(copy, newWidth, newHeight);
           }), megapixels);

    std::optional<ImageObject> layer = createImage(photo->width, photo->height, 32, 0);
    for (int y = 0; y < photo->height; ++y) {
        const uint8_t* s = photo->row(y);
        uint8_t* d = layer->row(y);
        for (int x = 0; x < photo->width; ++x, s += 3, d += 4) std::memcpy(d, s, 3);
    }
    report("resize 32-bit Mitchell to 1600 wide", bestMilliseconds(repeats, [&] {
               ImageObject copy = *layer;
               return resizeImage(copy, newWidth, newHeight);
           }), megapixels);

    std::optional<std::string> jpeg;
    report("encode JPEG quality 70 (memory)", bestMilliseconds(repeats, [&] {
               jpeg = encodeImage(*photo, *formatByExtension("jpg"), {EncodeQuality::ofLevel(7)});
               return jpeg.has_value();
           }), megapixels);

    unsigned char* bareOut = nullptr;
    unsigned long bareSize = 0;
    report("  bare libjpeg encode (memory)", bestMilliseconds(repeats, [&] { return bareEncode(*photo, bareOut, bareSize); }),
           megapixels);
    std::free(bareOut);

    const std::string out = temporaryFolder() + "tesselon_bench_out.jpg";
    report("save JPEG quality 70 (file)", bestMilliseconds(repeats, [&] {
               return saveImage(*photo, out, *formatByExtension("jpg"), {EncodeQuality::ofLevel(7)});
           }), megapixels);
    deleteFile(out);
    return 0;
}
