// The file format, extension and quality value of an output image.
#pragma once

#include <string>
#include <string_view>

namespace tesselon {

// Encoder numbers of the "Sys" encoder, carried in bits 8-10 of the quality value.
enum SysEncoderIndex {
    kSysEncoderBmp = 0,
    kSysEncoderJpeg = 1,
    kSysEncoderGif = 2,
    kSysEncoderTiff = 5,
    kSysEncoderPng = 6,
};

struct OutputFormat {
    std::string extension;           // what the saved file's name ends with (no dot)
    int encoderIndex = kSysEncoderJpeg;
};

// FormatoImagen "original" keeps the source's extension, letter case included; any
// other value is the extension itself. jpg/jpeg (any case) encode as JPEG, png as PNG,
// gif as GIF; every other extension, none included, encodes as JPEG under "jpg".
OutputFormat outputFormatFor(std::string_view formatoImagen, std::string_view sourcePath);

// CalidadGrabacion in bits 0-7 and the encoder index in bits 8-10. A quality outside
// 0..255 (only a hand-edited settings file holds one) is clamped so it cannot spill
// into the encoder bits.
int qualityValueFor(int calidadGrabacion, int encoderIndex);

// The path with the text after the last "." of its file name replaced by `extension`;
// a file name without "." gets "." and the extension appended.
std::string replaceExtension(std::string_view path, std::string_view extension);

// The folder of a local path up to and including its last "/", and the name after it.
std::string folderOfPath(std::string_view path);
std::string nameOfPath(std::string_view path);

}  // namespace tesselon
