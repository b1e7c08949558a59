#include "sources/remote_names.h"

#include "runtime/fs/text_codec.h"

namespace tesselon {

std::string displayName(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t pos = 0; pos < bytes.size();) appendUtf8(text, decodeUtf8(bytes, pos));
    return text;
}

}  // namespace tesselon
