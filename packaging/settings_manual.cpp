// Fills the settings file's manual page when it is built, from the tables the programs
// read: the keys and their order from the record descriptors, their defaults from the
// defaults step (as the file they are saved in holds them), their ranges from the
// conversion's range table, and what they mean from the documentation table. A key
// without documentation, or documentation without its key, stops the build.
//
// Usage: settings_manual TEMPLATE OUTPUT
// Placeholder in TEMPLATE:
//   @SETTINGS_KEYS@  one .SS per section and one .TP per key (roff)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "roff_text.h"
#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"
#include "runtime/json/json_compose.h"
#include "settings/defaults.h"
#include "settings/record_descriptors.h"
#include "settings/setting_docs.h"
#include "settings/setting_keys.h"
#include "settings/setting_ranges.h"

using namespace tesselon;

namespace {

// Stand-ins for the folders the defaults take from the machine, so that the page
// names them instead of the build machine's own.
constexpr const char* kHomeMark = "/@home@";
constexpr const char* kTemporaryMark = "/@temporary@";

// Every number of the record made 7 and every text "\x01", so that a field the
// defaults step leaves alone shows.
void markLeaves(JsonValue& value) {
    if (JsonObject* object = value.asObject()) {
        for (const JsonObject::Member* member : object->ordered()) markLeaves(*object->find(member->key));
        return;
    }
    value = value.asString() ? JsonValue::makeString("\x01") : JsonValue::makeInteger(7);
}

template <class Record>
void fillEveryField(Record& record, const RecordDescriptor<Record>& descriptor) {
    JsonValue value;
    insertRecord(value, record, descriptor);
    markLeaves(value);
    extractRecord(value, record, descriptor);
}

struct Defaults {
    std::vector<std::string> values;  // as the saved file holds them, in settingKeys() order
    std::vector<bool> reset;          // whether the defaults step sets the key
    std::string watermark;
    std::string year;
};

Defaults computeDefaults() {
    setenv("HOME", kHomeMark, 1);
    setenv("TMPDIR", kTemporaryMark, 1);
    Defaults d;
    const int64_t now = currentDate();
    d.watermark = buildDefaultWatermarkText(now);
    d.year = formatDate("%yyyy", now);
    Settings fromZero;
    resetToDefaults(fromZero, d.watermark);
    Settings fromMarks;
    fillEveryField(fromMarks.config, configDescriptor());
    fillEveryField(fromMarks.entorno, entornoDescriptor());
    fillEveryField(fromMarks.texto, textoDescriptor());
    fillEveryField(fromMarks.image, imageDescriptor());
    fromMarks.entorno.protocolo = "sftp";  // the keys outside the descriptors
    fromMarks.entorno.carpetaPublicacion = "/published/";
    resetToDefaults(fromMarks, d.watermark);
    d.values = composedValues(fromZero);
    const std::vector<std::string> marked = composedValues(fromMarks);
    for (size_t i = 0; i < d.values.size(); ++i) d.reset.push_back(d.values[i] == marked[i]);
    return d;
}

std::string jsonText(const std::string& text) { return composeJson(JsonValue::makeString(text)); }

std::string hex6(long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06lX", value & 0xFFFFFF);
    return text;
}

std::string defaultText(const SettingDoc& doc, const std::string& value, const Defaults& d) {
    if (value == jsonText(userFolder()))
        return "the home folder ($HOME), ending with \"/\"";
    if (value == jsonText(temporaryFolder()))
        return "the temporary folder: $TMPDIR ending with \"/\", else /tmp/tesselon\\-UID/ (made for the user alone)";
    if (value == jsonText(d.watermark)) {
        std::string shown = value;
        replaceAll(shown, d.year, "YYYY");
        return roffEscaped(shown) + ", YYYY being the year the program starts in";
    }
    if (doc.form == ValueForm::Colour) {
        const long colour = std::strtol(value.c_str(), nullptr, 10);
        return value + " (" + hex6(colour) + ": red " + std::to_string(colour & 0xFF) + ", green " +
               std::to_string((colour >> 8) & 0xFF) + ", blue " + std::to_string((colour >> 16) & 0xFF) + ")";
    }
    return roffEscaped(value);
}

std::string typeWord(FieldType type) {
    switch (type) {
    case FieldType::Float32:
    case FieldType::Float64: return "number";
    case FieldType::String: return "text";
    case FieldType::Record: return "object";
    default: return "integer";
    }
}

std::string kindOf(const SettingDoc& doc, FieldType type) {
    if (doc.form == ValueForm::Flag) return "flag";
    if (doc.form == ValueForm::Colour) return "colour";
    return doc.unit.empty() ? typeWord(type) : typeWord(type) + ", " + doc.unit;
}

std::string useSentence(SettingUse use) {
    switch (use) {
    case SettingUse::Conversion: return "";
    case SettingUse::RemoteSource: return "Read when the images come from a server.";
    case SettingUse::DesktopOnly: return "No conversion reads it: only the desktop program uses it.";
    case SettingUse::NotRead: return "Kept in the file only: neither program uses the stored value.";
    }
    return "";
}

std::string rangeText(const SettingRange& range) {
    std::string text = "Range: " + roffEscaped(std::to_string(range.low)) + " to " + std::to_string(range.high);
    switch (range.applies) {
    case RangeApplies::Always: break;
    case RangeApplies::UnlessZero: text += ", or 0"; break;
    case RangeApplies::WhenText: text += ", where the text is drawn"; break;
    case RangeApplies::WhenTinting: text += ", where the image is tinted"; break;
    case RangeApplies::WhenResizing: text += ", where the results are resized"; break;
    }
    return text + ".";
}

const SettingRange* rangeOf(const SettingKey& key) {
    for (const SettingRange& range : settingRanges())
        if (range.section == key.section && range.key == key.key) return &range;
    return nullptr;
}

// A compact list below the key's text; what follows it goes on at the text's indent.
std::string valueList(const std::vector<AllowedValue>& values) {
    size_t width = 0;
    for (const AllowedValue& v : values) width = std::max(width, v.value.size());
    std::string text = ".RS\n";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i == 1) text += ".PD 0\n";
        text += ".TP " + std::to_string(width + 2) + "\n\\fB" + roffEscaped(values[i].value) + "\\fR\n" +
                roffEscaped(values[i].meaning) + "\n";
    }
    return text + ".PD\n.RE\n.IP\n";
}

std::string keyParagraph(const SettingKey& key, const SettingDoc& doc, const Defaults& d, size_t index) {
    std::string text = ".TP\n\\fB" + key.key + "\\fR (" + roffEscaped(kindOf(doc, key.type)) + ")\n" +
                       roffEscaped(doc.meaning) + "\n";
    if (const std::string use = useSentence(doc.use); !use.empty()) text += use + "\n";
    if (!doc.values.empty()) text += valueList(doc.values);
    // The range and the default each on a line of their own.
    std::vector<std::string> lines;
    if (const SettingRange* range = rangeOf(key)) lines.push_back(rangeText(*range));
    if (key.type != FieldType::Record) {
        lines.push_back(d.reset[index] ? "Default: " + defaultText(doc, d.values[index], d) + "."
                                       : "Default: none: starting, or loading a file without this section, keeps "
                                         "the value in use (empty, or 0, when the program starts).");
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0 || doc.values.empty()) text += ".br\n";
        text += lines[i] + "\n";
    }
    return text;
}

const SectionDoc* sectionDocOf(std::string_view section) {
    for (const SectionDoc& doc : sectionDocs())
        if (doc.section == section) return &doc;
    return nullptr;
}

// The whole list, or nothing when a key and its documentation disagree.
bool keysSection(std::string& text) {
    const std::vector<SettingKey> keys = settingKeys();
    const std::vector<SettingDoc>& docs = settingDocs();
    const Defaults defaults = computeDefaults();
    for (size_t i = 0; i < std::max(keys.size(), docs.size()); ++i) {
        const bool hasKey = i < keys.size();
        const bool hasDoc = i < docs.size();
        if (hasKey && hasDoc && keys[i].section == docs[i].section && keys[i].key == docs[i].key) continue;
        if (hasKey)
            std::fprintf(stderr, "settings_manual: key %s %s is not documented where expected (setting_docs.cpp)\n",
                         std::string(keys[i].section).c_str(), keys[i].key.c_str());
        else
            std::fprintf(stderr, "settings_manual: %s %s is documented, but the settings file has no such key\n",
                         docs[i].section.c_str(), docs[i].key.c_str());
        return false;
    }
    std::string_view section;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].section != section) {
            section = keys[i].section;
            text += ".SS " + std::string(section) + "\n";
            if (const SectionDoc* intro = sectionDocOf(section)) text += roffEscaped(intro->meaning) + "\n";
        }
        text += keyParagraph(keys[i], docs[i], defaults, i);
    }
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: settings_manual TEMPLATE OUTPUT\n");
        return 2;
    }
    std::string text;
    if (!readTemplate("settings_manual", argv[1], text)) return 1;
    std::string keys;
    if (!keysSection(keys)) return 1;
    replaceAll(text, "@SETTINGS_KEYS@", keys);
    return writePage("settings_manual", argv[2], text) ? 0 : 1;
}
