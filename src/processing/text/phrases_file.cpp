#include "processing/text/phrases_file.h"

#include "core/frontend.h"
#include "core/state.h"
#include "runtime/fs/text_file.h"

namespace tesselon {

void readPhrasesFile(AppState& state) {
    state.PhrasesList.clear();
    TextFile file = TextFile::openForReading(state.settings.texto.ArchivoFrases, TextEncoding::Utf8);
    if (file.isOpen()) {
        do {
            state.PhrasesList.push_back(trimSpaces(file.readLine()));
        } while (!file.eof());
    }
    if (state.frontend)
        state.frontend->showCounts(int(state.SourceImageList.current));
}

}  // namespace tesselon
