// Taking paths apart. Both "/" and "\" separate folders. A leading double quote is
// skipped and the text from the closing double quote on is ignored, so a quoted path
// with arguments after it can be taken apart as it is.
#pragma once

#include <string>
#include <string_view>

namespace tesselon {

// Everything up to and including the last "/", "\" or "|"; empty without any.
std::string pathPart(std::string_view path);

enum FilePartFlags { kFilePartWhole = 0, kFilePartNoExtension = 1 };
// Everything after the last separator, optionally without its extension (and its dot).
std::string filePart(std::string_view path, int flags = kFilePartWhole);

// The text after the last "." of the name, without the dot; empty when a space or a
// separator comes first scanning back from the end, or when that "." starts the name.
std::string extensionPart(std::string_view path);

// A folder path with a separator at its end: "/" appended when it ends in neither "/"
// nor "\". An empty path stays empty, so it never turns into the root folder.
std::string withTrailingSeparator(std::string_view folder);

}  // namespace tesselon
