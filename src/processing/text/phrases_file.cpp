#include "processing/text/phrases_file.h"

#include "core/frontend.h"
#include "runtime/text/packed_strings.h"
#include "runtime/fs/text_file.h"
#include "runtime/text/ascii_text.h"

namespace tesselon {

OpenProblem readPhrasesFile(const std::string& path, PackedStrings& phrases, Frontend* frontend, size_t currentEntry) {
    phrases.clear();
    TextFile file = TextFile::openForReading(path, TextEncoding::Utf8, kMaxTextFileBytes);
    if (file.isOpen()) {
        // A mark tells UTF-16 (as Windows editors save "Unicode" text) and is no part
        // of the first phrase; without one the file is UTF-8.
        const TextEncoding marked = file.detectEncoding();
        const TextEncoding encoding =
            marked == TextEncoding::Utf16LE || marked == TextEncoding::Utf16BE ? marked : TextEncoding::Utf8;
        // Each phrase takes its bytes and (below 128 bytes) one more for its length, no
        // more than its line with the line end: the list grows once at most. UTF-16
        // gives about half its size in UTF-8 when the text is mostly ASCII.
        const uint64_t size = file.size();
        phrases.reserve(size_t(encoding == TextEncoding::Utf8 ? size + size / 64 + 16 : size / 2 + 16));
        do {
            phrases.push_back(trimSpaces(file.readLine(encoding)));
        } while (!file.eof());
    }
    if (frontend) frontend->showCounts(int(currentEntry));
    return file.openProblem();
}

}  // namespace tesselon
