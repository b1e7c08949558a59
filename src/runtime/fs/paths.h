// Taking paths apart. Both "/" and "\" separate folders; a leading double quote is
// skipped and text after a closing double quote is ignored.
#pragma once

#include <string>
#include <string_view>

namespace tesselon {

// Everything up to and including the last separator; also stops at "|".
std::string pathPart(std::string_view path);

enum FilePartFlags { kFilePartWhole = 0, kFilePartNoExtension = 1 };
// Everything after the last separator, optionally without its extension.
std::string filePart(std::string_view path, int flags = kFilePartWhole);

// The text after the last "." of the name, without the dot; empty when a space or a
// separator comes first scanning back from the end, or when the only "." starts the name.
std::string extensionPart(std::string_view path);

}  // namespace tesselon
