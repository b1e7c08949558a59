// Settings files (.cfg): ten CR LF lines of UTF-8, a header with the save time, the
// version, then for each record a section line and the record's compact JSON.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/records.h"

namespace tesselon {

struct AppState;

// The whole text of a settings file saved at `date`.
std::string composeSettingsText(const Settings& settings, int64_t date);

// Writes the settings to `path` (the bare name "default.cfg" means the one in the
// program's folder). The text goes to a new file that replaces the old one only once it
// is complete, so a failure at any point keeps the previous file; the user is then told
// in an "Atención" box and the result is 0. 1 on success.
int saveSettings(AppState& state, std::string_view path);

// What loadSettings found wrong with a file, for a caller that named the file on
// purpose and must not run on defaults by mistake.
struct SettingsLoadResult {
    bool ok = true;
    std::string message;  // one line of English when not ok
};

// Reads the records whose sections the file holds; each present section replaces its
// whole record, a section whose JSON does not parse leaves it as it was, and a missing
// or unreadable file changes nothing and shows nothing. Only regular files of at most
// kMaxTextFileBytes are read. The result says whether the file could not be read, held
// no section, or had a section that did not parse.
SettingsLoadResult loadSettings(Settings& settings, std::string_view path);

}  // namespace tesselon
