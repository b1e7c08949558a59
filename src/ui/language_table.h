// Every visible text of the windows, by key: a window's or control's name for its
// caption, the name followed by "_ToolTip" for its tooltip.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tesselon {

class LanguageTable {
public:
    static constexpr size_t kBuckets = 512;

    LanguageTable();

    // Adds the key or replaces its text.
    void set(std::string key, std::string text);

    // The text of the key. A key that is not in the table is added with an empty text,
    // so a window built with a missing key shows an empty caption instead of failing.
    std::string lookupText(const std::string& key);

    bool contains(const std::string& key) const { return texts_.count(key) != 0; }
    size_t size() const { return texts_.size(); }

private:
    std::unordered_map<std::string, std::string> texts_;
};

// The built-in source: key, text, key, text ... closed by the key "_END_".
std::span<const std::string_view> builtInLanguageSource();

// Reads key/text pairs until the key "_END_" (or the end of the source); every "|" in a
// text becomes a tab. A later pair with the same key replaces the earlier text.
LanguageTable buildLanguageTableFrom(std::span<const std::string_view> source);

// The table of the built-in source.
LanguageTable buildLanguageTable();

}  // namespace tesselon
