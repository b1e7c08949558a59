#include "processing/text/phrases_file.h"

#include "core/frontend.h"
#include "core/state.h"
#include "runtime/fs/text_file.h"

namespace tesselon {

std::string trimSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

OpenProblem readPhrasesFile(AppState& state) {
    state.PhrasesList.clear();
    TextFile file = TextFile::openForReading(state.settings.texto.ArchivoFrases, TextEncoding::Utf8, kMaxTextFileBytes);
    if (file.isOpen()) {
        do {
            state.PhrasesList.push_back(trimSpaces(file.readLine()));
        } while (!file.eof());
    }
    if (state.frontend)
        state.frontend->showCounts(int(state.SourceImageList.current));
    return file.openProblem();
}

}  // namespace tesselon
