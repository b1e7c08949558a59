#include "processing/text/phrases_file.h"

#include "core/frontend.h"
#include "core/state.h"
#include "runtime/fs/text_file.h"
#include "runtime/text/ascii_text.h"

namespace tesselon {

OpenProblem readPhrasesFile(AppState& state) {
    state.PhrasesList.clear();
    TextFile file = TextFile::openForReading(state.settings.texto.ArchivoFrases, TextEncoding::Utf8, kMaxTextFileBytes);
    if (file.isOpen()) {
        do {
            state.PhrasesList.emplace_back(trimSpaces(file.readLine()));
        } while (!file.eof());
    }
    if (state.frontend)
        state.frontend->showCounts(int(state.SourceImageList.current));
    return file.openProblem();
}

}  // namespace tesselon
