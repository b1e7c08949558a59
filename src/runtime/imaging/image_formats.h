// The image formats the program knows, in one table: what each is called, the settings
// value that chooses it for results, its file extensions, its decoder and encoder, and
// what its files keep. Every list of formats reads this table: the decoders a registry
// takes, the encoder every save goes through (encodeImage), the result choices of the
// window and of tesselon-batch, the extensions a scan may take, the manual pages and the
// shell completion. Adding a format means a row here and its codec files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/encode_options.h"
#include "runtime/imaging/pixel_rows.h"

namespace tesselon {

class ByteReader;
struct DeclaredImage;

// A file's bytes made from rows (24- or 32-bit) with the options, their depth resolved;
// nothing on failure. encodeImage (image_save.h) is the one caller: 32-bit rows reach
// the encoders of formats without alpha already laid over white.
using EncodeFunction = std::optional<std::string> (*)(const PixelRows& rows, const EncodeOptions& options);
// Reads the header for the size and what the decoder will need besides the image.
using DeclareFunction = void (*)(ByteReader& reader, DeclaredImage& declared);
// The EXIF block and ICC profile a file of the format carries.
using MetadataFunction = EmbeddedMetadata (*)(const uint8_t* data, size_t size);

// How much of an image's transparency its files keep.
enum class AlphaKept : uint8_t {
    None,              // laid over white
    FullyTransparent,  // pixels of alpha 0 stay transparent, the rest over white
    Full,              // every alpha value, whatever depth the source had
};

// What --keep-metadata carries into results of the format.
enum MetadataKept : uint8_t {
    kKeepsNothing = 0,
    kKeepsExif = 1,
    kKeepsIcc = 2,
};

struct ImageFormat {
    std::string_view name{};         // in messages and the manual: "WebP"
    std::string_view label{};        // caption in the window and in lists: "WEBP"
    std::string_view settingsValue{};  // FormatoImagen choosing it for results; empty: not offered
    std::array<std::string_view, 4> extensions{};  // lower case, the result's extension first
    bool sourceChoice = false;       // offered among the extensions a scan takes

    // Decoder: format code, signature probe, decode, header reader, metadata reader.
    uint32_t code = kFormatNone;
    ProbeFunction probe = nullptr;
    DecodeFunction decode = nullptr;
    DeclareFunction declare = nullptr;
    MetadataFunction readMetadata = nullptr;
    bool exifOrientation = false;    // auto-orientation follows the EXIF orientation tag
    // The decoder turns the image as the file's own rotation and mirror say, so it comes
    // upright and an EXIF orientation kept in its results must say so too.
    bool decoderOrients = false;

    // Encoder; none means the format is read only.
    EncodeFunction encode = nullptr;
    // Whether the encoder can run on this machine (a library may lack it); null: always.
    bool (*encoderPresent)() = nullptr;
    // Whether results are written in it. Results of sources of the other formats are
    // written as JPEG (BMP's encoder only serves the image service's own saves).
    bool results = true;
    // The settings value of the format written instead when the encoder is missing.
    std::string_view writtenAsWhenMissing{};
    AlphaKept alpha = AlphaKept::None;
    uint8_t metadata = kKeepsNothing;  // MetadataKept bits
    bool lossless = false;             // decoding a result gives back the very pixels encoded
    // Memory the encoder takes per pixel of the result besides the image and the bytes it
    // writes (coded planes, the codec's reference frames and analysis).
    uint8_t encoderBytesPerPixel = 0;

    size_t extensionCount() const;
    bool hasExtension(std::string_view lowerCaseExtension) const;
    // An encoder that can run here.
    bool encodable() const { return encode && (!encoderPresent || encoderPresent()); }
    // Results are written in it, where its encoder can run.
    bool writesResults() const { return results && encode; }
    // Results can be written in it here.
    bool writable() const { return results && encodable(); }
};

// Every format, in the order the window, the help and the manual list them.
std::span<const ImageFormat> imageFormats();

// The row whose settings value is exactly `value`; nothing for "original" or unknown.
const ImageFormat* formatBySettingsValue(std::string_view value);
// The first row listing the extension (any letter case).
const ImageFormat* formatByExtension(std::string_view extension);
// The first row whose decoder has the format code.
const ImageFormat* formatByCode(uint32_t code);

// The extension names of the format upper-cased and joined by "|", as the settings'
// extension list holds them: "JPG|JPEG".
std::string extensionListEntry(const ImageFormat& format);

}  // namespace tesselon
