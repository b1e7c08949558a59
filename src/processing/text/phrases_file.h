// The phrases file: one phrase per line, drawn on the images in turn.
#pragma once

#include "runtime/fs/trim_spaces.h"

#include <string>
#include <string_view>

namespace tesselon {

struct AppState;


// Refills PhrasesList from the file named by ArchivoFrases, read as UTF-8 with lines
// ending at CR, LF or CR LF. Every line is a phrase, empty ones too: an empty file gives
// one empty phrase, and a final line end adds none. A byte-order mark is not
// recognised and stays at the start of the first phrase. A file that cannot be opened
// leaves the list empty. The front end's counters are refreshed in every case.
void readPhrasesFile(AppState& state);

}  // namespace tesselon
