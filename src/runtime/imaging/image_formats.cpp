#include "runtime/imaging/image_formats.h"

#include "runtime/imaging/avif_codec.h"
#include "runtime/imaging/bmp_codec.h"
#include "runtime/imaging/gif_decoder.h"
#include "runtime/imaging/gif_encoder.h"
#include "runtime/imaging/heif_codec.h"
#include "runtime/imaging/image_header.h"
#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/jpeg_metadata.h"
#include "runtime/imaging/png_codec.h"
#include "runtime/imaging/png_metadata.h"
#include "runtime/imaging/tiff_decoder.h"
#include "runtime/imaging/webp_codec.h"
#include "runtime/text/ascii_text.h"

namespace tesselon {

namespace {

EmbeddedMetadata readPngMetadata(const uint8_t* data, size_t size) {
    EmbeddedMetadata metadata;
    metadata.icc = readPngIccProfile(data, size);
    return metadata;
}

const ImageFormat kFormats[] = {
    {
        .name = "JPEG", .label = "JPG", .settingsValue = "jpg", .extensions = {"jpg", "jpeg"},
        .sourceChoice = true,
        .code = kFormatJPEG, .probe = probeJpeg, .decode = decodeJpeg, .declare = declareJpeg,
        .readMetadata = readJpegMetadata, .exifOrientation = true,
        .encode = encodeJpeg, .alpha = AlphaKept::None, .metadata = uint8_t(kKeepsExif | kKeepsIcc),
    },
    {
        .name = "PNG", .label = "PNG", .settingsValue = "png", .extensions = {"png"},
        .sourceChoice = true,
        .code = kFormatPNG, .probe = probePng, .decode = decodePng, .declare = declarePng,
        .readMetadata = readPngMetadata,
        .encode = encodePng, .alpha = AlphaKept::Full, .metadata = kKeepsIcc, .lossless = true,
    },
    {
        .name = "GIF", .label = "GIF", .settingsValue = "gif", .extensions = {"gif"},
        .sourceChoice = true,
        .code = kFormatGIF, .probe = probeGif, .decode = decodeGif, .declare = declareGif,
        .encode = encodeGif, .alpha = AlphaKept::FullyTransparent,
    },
    {
        .name = "WebP", .label = "WEBP", .settingsValue = "webp", .extensions = {"webp"},
        .sourceChoice = true,
        .code = kFormatWEBP, .probe = probeWebp, .decode = decodeWebp, .declare = declareWebp,
        .readMetadata = readWebpMetadata, .exifOrientation = true,
        .encode = encodeWebp, .alpha = AlphaKept::Full, .metadata = uint8_t(kKeepsExif | kKeepsIcc),
        .encoderBytesPerPixel = 4,
    },
    {
        .name = "AVIF", .label = "AVIF", .settingsValue = "avif", .extensions = {"avif"},
        .sourceChoice = true,
        .code = kFormatAVIF, .probe = probeAvif, .decode = decodeAvif, .declare = declareAvif,
        .readMetadata = readAvifMetadata, .decoderOrients = true,
        .encode = encodeAvif, .alpha = AlphaKept::Full, .metadata = uint8_t(kKeepsExif | kKeepsIcc),
        .encoderBytesPerPixel = 24,
    },
    // HEIC and HEIF are one format under two extensions, offered apart as phones and
    // cameras name their files; "original" keeps each.
    {
        .name = "HEIC", .label = "HEIC", .extensions = {"heic"},
        .sourceChoice = true,
        .code = kFormatHEIF, .probe = probeHeif, .decode = decodeHeif, .declare = declareHeif,
        .readMetadata = readHeifMetadata, .decoderOrients = true,
        .encode = encodeHeic, .encoderPresent = heicEncoderPresent, .writtenAsWhenMissing = "avif",
        .alpha = AlphaKept::Full, .metadata = uint8_t(kKeepsExif | kKeepsIcc), .encoderBytesPerPixel = 24,
    },
    {
        .name = "HEIF", .label = "HEIF", .extensions = {"heif"},
        .sourceChoice = true,
        .code = kFormatHEIF, .probe = probeHeif, .decode = decodeHeif, .declare = declareHeif,
        .readMetadata = readHeifMetadata, .decoderOrients = true,
        .encode = encodeHeic, .encoderPresent = heicEncoderPresent, .writtenAsWhenMissing = "avif",
        .alpha = AlphaKept::Full, .metadata = uint8_t(kKeepsExif | kKeepsIcc), .encoderBytesPerPixel = 24,
    },
    {
        .name = "TIFF", .label = "TIFF", .extensions = {"tif", "tiff"},
        .code = kFormatTIFF, .probe = probeTiff, .decode = decodeTiff, .declare = declareTiff,
    },
    {
        .name = "BMP", .label = "BMP", .extensions = {"bmp"},
        .code = kFormatBMP, .probe = probeBmp, .decode = decodeBmp, .declare = declareBmp,
        .encode = encodeBmp, .results = false, .alpha = AlphaKept::Full,
    },
};

}  // namespace

size_t ImageFormat::extensionCount() const {
    size_t n = 0;
    while (n < extensions.size() && !extensions[n].empty()) ++n;
    return n;
}

bool ImageFormat::hasExtension(std::string_view lowerCaseExtension) const {
    for (size_t i = 0; i < extensionCount(); ++i)
        if (extensions[i] == lowerCaseExtension) return true;
    return false;
}

std::span<const ImageFormat> imageFormats() { return kFormats; }

const ImageFormat* formatBySettingsValue(std::string_view value) {
    if (value.empty()) return nullptr;
    for (const ImageFormat& format : kFormats)
        if (format.settingsValue == value) return &format;
    return nullptr;
}

const ImageFormat* formatByExtension(std::string_view extension) {
    const std::string lower = asciiLower(extension);
    if (lower.empty()) return nullptr;
    for (const ImageFormat& format : kFormats)
        if (format.hasExtension(lower)) return &format;
    return nullptr;
}

const ImageFormat* formatByCode(uint32_t code) {
    for (const ImageFormat& format : kFormats)
        if (format.code == code) return &format;
    return nullptr;
}

std::string extensionListEntry(const ImageFormat& format) {
    std::string entry;
    for (size_t i = 0; i < format.extensionCount(); ++i) {
        if (i > 0) entry += '|';
        entry += asciiUpper(format.extensions[i]);
    }
    return entry;
}

}  // namespace tesselon
