// The phrases file: one phrase per line, drawn on the images in turn.
#pragma once

#include <string>
#include <string_view>

#include "runtime/fs/regular_file.h"

namespace tesselon {

class Frontend;
class PackedStrings;

// Refills `phrases` from the file at `path` (ArchivoFrases), read as UTF-8 with lines
// ending at CR, LF or CR LF; a file that starts with a UTF-16 byte-order mark is read
// as UTF-16 of that byte order, and a UTF-8 mark is skipped. Every line is a phrase,
// empty ones too: an empty file gives one empty phrase, and a final line end adds none.
// The list takes little more memory than the file. A file that cannot be opened,
// is not a regular file or is larger than kMaxTextFileBytes leaves the list empty; the
// result says why. The front end's counters (showing `currentEntry`) are refreshed in
// every case.
OpenProblem readPhrasesFile(const std::string& path, PackedStrings& phrases, Frontend* frontend, size_t currentEntry);

}  // namespace tesselon
