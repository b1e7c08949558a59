#include "ui/language_table.h"

#include "ui/format_controls.h"

#include <algorithm>

namespace tesselon {

namespace {
constexpr std::string_view kEndKey = "_END_";
}

LanguageTable::LanguageTable() { texts_.reserve(kBuckets); }

void LanguageTable::set(std::string key, std::string text) { texts_[std::move(key)] = std::move(text); }

std::string LanguageTable::lookupText(const std::string& key) {
    // operator[] inserts the empty text for a missing key, which is the wanted effect.
    return texts_[key];
}

LanguageTable buildLanguageTableFrom(std::span<const std::string_view> source) {
    LanguageTable table;
    // A source cut short after a key (no text, no terminator) ends like "_END_" does
    // rather than reading past its end.
    for (size_t i = 0; i < source.size(); i += 2) {
        std::string_view key = source[i];
        if (key == kEndKey || i + 1 >= source.size()) break;
        std::string text(source[i + 1]);
        std::replace(text.begin(), text.end(), '|', '\t');
        table.set(std::string(key), std::move(text));
    }
    return table;
}

LanguageTable buildLanguageTable() {
    LanguageTable table = buildLanguageTableFrom(builtInLanguageSource());
    addFormatCaptions(table);
    return table;
}

}  // namespace tesselon
