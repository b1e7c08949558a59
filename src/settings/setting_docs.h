// What every key of a settings file means, for the settings file's manual page: one
// entry per key of setting_keys.h, in the same order. The key names, their types, their
// defaults and their ranges are not repeated here; the page takes them from the
// descriptors, the defaults and the range table. Plain English, no markup.
#pragma once

#include <string>
#include <vector>

namespace tesselon {

// Who reads the stored value.
enum class SettingUse {
    Conversion,    // every conversion, in either program
    RemoteSource,  // a conversion whose images come from a server
    DesktopOnly,   // the desktop program's window or start-up; no conversion reads it
    NotRead,       // written and loaded like the others, but no part of either program uses the stored value
};

// How the value reads, beyond its JSON type.
enum class ValueForm {
    Plain,
    Flag,    // 0 or 1
    Colour,  // 0xBBGGRR, red in the low byte
};

struct AllowedValue {
    std::string value;    // as it stands in the file: 6, "L"
    std::string meaning;
};

struct SettingDoc {
    std::string section;  // the section line, e.g. "[ProcesosImage]"
    std::string key;      // as setting_keys.h names it, e.g. "FuenteUsada.Nombre"
    SettingUse use = SettingUse::Conversion;
    ValueForm form = ValueForm::Plain;
    std::string unit;     // "degrees", "pixels"; empty when the value has none
    std::string meaning;  // one or more sentences
    std::vector<AllowedValue> values;  // the values a key takes, when they are a short list
};

struct SectionDoc {
    std::string section;  // "[ProcesosImage]"
    std::string meaning;
};

const std::vector<SettingDoc>& settingDocs();
const std::vector<SectionDoc>& sectionDocs();

}  // namespace tesselon
