// Every key a settings file holds, as the reader takes them: section by section in the
// order the file is written, each record's keys in its descriptor's order, and the
// members of a nested record right after it as "Outer.Inner" (FuenteUsada.Nombre).
// The settings file's manual is made from this list, and its tests compare the two.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/records.h"
#include "runtime/json/record_descriptor.h"

namespace tesselon {

struct SettingKey {
    std::string_view section;  // the section line, e.g. "[ProcesosTexto]"
    std::string key;           // "TextoPosicion", "FuenteUsada.Nombre"
    FieldType type = FieldType::Int32;
};

std::vector<SettingKey> settingKeys();

// The JSON text of each key of settingKeys() (24, "Arial", 2) in the file that
// `settings` are saved as, in the same order; empty for a key the file lacks.
std::vector<std::string> composedValues(const Settings& settings);

}  // namespace tesselon
