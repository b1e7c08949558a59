// The file format, extension and quality of an output image.
#pragma once

#include <string>
#include <string_view>

#include "runtime/imaging/image_formats.h"

namespace tesselon {

struct OutputFormat {
    std::string extension;                 // what the saved file's name ends with (no dot)
    const ImageFormat* format = nullptr;   // the format the result is written in
    // The format asked for has no encoder on this machine: `format` stands in for it.
    bool substituted = false;
};

// FormatoImagen "original" keeps the source's extension, letter case included; any
// other value is the extension itself. An extension (any case) of a format that results
// can be written in selects that format; every other extension, none included, selects
// JPEG under "jpg". A format whose encoder is missing here is written in the format the
// table names instead, under that format's extension.
OutputFormat outputFormatFor(std::string_view formatoImagen, std::string_view sourcePath);

// The step of outputFormatFor after the extension: `asked` (the format of the extension,
// if any) when results can be written in it here, else the format that stands in for it,
// else JPEG under "jpg".
OutputFormat resultFormatOf(const ImageFormat* asked, std::string extension);

// The path with the text after the last "." of its file name replaced by `extension`;
// a file name without "." gets "." and the extension appended.
std::string replaceExtension(std::string_view path, std::string_view extension);

// The folder of a local path up to and including its last "/", and the name after it.
std::string folderOfPath(std::string_view path);
std::string nameOfPath(std::string_view path);

}  // namespace tesselon
