#include "cli/terminal_text.h"

#include <cstdio>

#include "runtime/fs/text_codec.h"

namespace tesselon {

std::string terminalSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    char escape[8];
    for (size_t pos = 0; pos < text.size();) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        const size_t length = utf8SequenceLength(text, pos);
        // C1 controls are U+0080..U+009F: C2 80 .. C2 9F.
        const bool c1 = length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[pos + 1]) < 0xA0;
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            out += escape;
            ++pos;
        } else if (c1) {
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(text[pos + 1]));
            out += escape;
            pos += 2;
        } else {
            out.append(text, pos, length);
            pos += length;
        }
    }
    return out;
}

}  // namespace tesselon
