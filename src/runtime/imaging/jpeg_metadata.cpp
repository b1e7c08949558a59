#include "runtime/imaging/jpeg_metadata.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "runtime/imaging/jpeg_errors.h"

namespace tesselon {

namespace {

constexpr int kExifMarker = JPEG_APP0 + 1;
constexpr int kIccMarker = JPEG_APP0 + 2;
constexpr unsigned kMaxMarkerPayload = 65533;
constexpr std::string_view kExifSignature{"Exif\0\0", 6};

struct HeaderReader {
    jpeg_decompress_struct cinfo{};
    JpegErrorManager errors{};
    JOCTET* icc = nullptr;  // malloc'd by libjpeg
    unsigned iccSize = 0;
    bool created = false;

    HeaderReader() = default;
    HeaderReader(const HeaderReader&) = delete;
    HeaderReader& operator=(const HeaderReader&) = delete;
    ~HeaderReader() {
        std::free(icc);
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

// The setjmp frame: nothing in it has a destructor, so the longjmp of a libjpeg error
// skips no C++ clean-up.
bool readHeaders(HeaderReader* r, const uint8_t* data, size_t size) {
    if (setjmp(r->errors.jump)) return false;
    r->cinfo.err = initJpegErrors(r->errors);
    jpeg_create_decompress(&r->cinfo);
    r->created = true;
    jpeg_mem_src(&r->cinfo, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&r->cinfo, kExifMarker, 0xFFFF);
    jpeg_save_markers(&r->cinfo, kIccMarker, 0xFFFF);
    jpeg_read_header(&r->cinfo, TRUE);
    if (!jpeg_read_icc_profile(&r->cinfo, &r->icc, &r->iccSize)) r->iccSize = 0;
    return true;
}

}  // namespace

EmbeddedMetadata readJpegMetadata(const uint8_t* data, size_t size) {
    EmbeddedMetadata metadata;
    HeaderReader reader;
    if (!readHeaders(&reader, data, size)) return metadata;
    for (jpeg_saved_marker_ptr m = reader.cinfo.marker_list; m; m = m->next) {
        const std::string_view payload(reinterpret_cast<const char*>(m->data), m->data_length);
        if (m->marker == kExifMarker && payload.substr(0, kExifSignature.size()) == kExifSignature) {
            metadata.exif = payload;
            break;
        }
    }
    if (reader.icc) metadata.icc.assign(reinterpret_cast<const char*>(reader.icc), reader.iccSize);
    return metadata;
}

void writeJpegMetadata(j_compress_ptr cinfo, const EmbeddedMetadata& metadata) {
    if (!metadata.exif.empty() && metadata.exif.size() <= kMaxMarkerPayload) {
        jpeg_write_marker(cinfo, kExifMarker, reinterpret_cast<const JOCTET*>(metadata.exif.data()),
                          unsigned(metadata.exif.size()));
    }
    if (isRgbIccProfile(metadata.icc)) {
        jpeg_write_icc_profile(cinfo, reinterpret_cast<const JOCTET*>(metadata.icc.data()),
                               unsigned(metadata.icc.size()));
    }
}

}  // namespace tesselon
