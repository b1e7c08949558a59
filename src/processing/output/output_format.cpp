#include "processing/output/output_format.h"

#include "runtime/fs/paths.h"

namespace tesselon {

OutputFormat outputFormatFor(std::string_view formatoImagen, std::string_view sourcePath) {
    std::string extension =
        formatoImagen == "original" ? extensionPart(nameOfPath(sourcePath)) : std::string(formatoImagen);
    const ImageFormat* asked = formatByExtension(extension);
    return resultFormatOf(asked, std::move(extension));
}

OutputFormat resultFormatOf(const ImageFormat* asked, std::string extension) {
    OutputFormat out;
    out.extension = std::move(extension);
    out.format = asked;
    if (asked && asked->writesResults() && !asked->writable()) {
        out.format = formatBySettingsValue(asked->writtenAsWhenMissing);
        out.substituted = out.format != nullptr;
        if (out.format) out.extension = std::string(out.format->extensions[0]);
    }
    if (!out.format || !out.format->writable()) {
        out.format = formatBySettingsValue("jpg");
        out.extension = "jpg";
    }
    return out;
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
