#include "processing/output/output_format.h"

#include <algorithm>

#include "runtime/fs/paths.h"
#include "sources/extension_filter.h"

namespace tesselon {

OutputFormat outputFormatFor(std::string_view formatoImagen, std::string_view sourcePath) {
    OutputFormat format;
    format.extension =
        formatoImagen == "original" ? extensionPart(nameOfPath(sourcePath)) : std::string(formatoImagen);
    const std::string lower = asciiLower(format.extension);
    if (lower == "jpg" || lower == "jpeg") {
        format.encoderIndex = kSysEncoderJpeg;
    } else if (lower == "png") {
        format.encoderIndex = kSysEncoderPng;
    } else if (lower == "gif") {
        format.encoderIndex = kSysEncoderGif;
    } else {
        format.encoderIndex = kSysEncoderJpeg;
        format.extension = "jpg";
    }
    return format;
}

int qualityValueFor(int calidadGrabacion, int encoderIndex) {
    return std::clamp(calidadGrabacion, 0, 255) + (encoderIndex & 7) * 256;
}

// Local file names may hold "\" and "|" on this system, so only "/" separates folders.
std::string folderOfPath(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string nameOfPath(std::string_view path) {
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string replaceExtension(std::string_view path, std::string_view extension) {
    const size_t nameStart = path.rfind('/') == std::string_view::npos ? 0 : path.rfind('/') + 1;
    const size_t dot = path.rfind('.');
    std::string out(dot == std::string_view::npos || dot < nameStart ? path : path.substr(0, dot));
    out += '.';
    out += extension;
    return out;
}

}  // namespace tesselon
