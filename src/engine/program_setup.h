// Start-up values that the desktop program and tesselon-batch decide the same way.
#pragma once

#include <cstdint>
#include <string>

#include "core/program_start.h"

namespace tesselon {

class CodecRegistry;

// For a start at `now`: the program folder is the executable's folder, which must end
// with "/", or the per-user folder standing in for it (see program_folder.h); the
// settings file is its default.cfg. The front ends adopt it into their state.
ProgramStart programStartOf(const std::string& executableFolder, int64_t now);

// Registers the decoder of every format of the table (image_formats.h) in its order,
// after the BMP decoder the registry starts with. The encoders need no registering:
// they are the table's.
void registerProgramDecoders(CodecRegistry& codecs);

// 1 when usarWget.txt in the program folder is not empty and wget.dat there is larger
// than 100 bytes; a missing file counts as size -1.
int8_t decideExternalDownloader(const std::string& programFolder);

}  // namespace tesselon
