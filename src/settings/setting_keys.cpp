#include "settings/setting_keys.h"

#include <type_traits>
#include <variant>

#include "runtime/json/json_compose.h"
#include "runtime/json/json_parse.h"
#include "runtime/text/ascii_text.h"
#include "settings/record_descriptors.h"
#include "settings/settings_file.h"
#include "settings/settings_sections.h"

namespace tesselon {

namespace {

template <class Record>
void appendKeys(std::vector<SettingKey>& keys, std::string_view section, const std::string& prefix,
                const RecordDescriptor<Record>& descriptor) {
    for (const auto& field : descriptor.fields) {
        const std::string key = prefix + jsonKeyOf(field.name);
        keys.push_back({section, key, field.type()});
        // The one nested record of the settings: its members follow it.
        if constexpr (std::is_same_v<Record, STRProcesosTexto>) {
            if (field.type() == FieldType::Record && key == "FuenteUsada")
                appendKeys(keys, section, key + ".", fuenteDescriptor());
        }
    }
}

// The value at a dotted path below an object.
const JsonValue* memberAt(const JsonValue& root, std::string_view path) {
    const JsonValue* value = &root;
    while (value) {
        const JsonObject* object = value->asObject();
        if (!object) return nullptr;
        const size_t dot = path.find('.');
        value = object->find(path.substr(0, dot));
        if (dot == std::string_view::npos) return value;
        path.remove_prefix(dot + 1);
    }
    return nullptr;
}

}  // namespace

std::vector<SettingKey> settingKeys() {
    std::vector<SettingKey> keys;
    appendKeys(keys, kConfigSection, "", configDescriptor());
    appendKeys(keys, kEntornoSection, "", entornoDescriptor());
    keys.push_back({kEntornoSection, std::string(kProtocolKey), FieldType::String});
    keys.push_back({kEntornoSection, std::string(kPublishFolderKey), FieldType::String});
    appendKeys(keys, kTextoSection, "", textoDescriptor());
    appendKeys(keys, kImageSection, "", imageDescriptor());
    return keys;
}

std::vector<std::string> composedValues(const Settings& settings) {
    // Read back from the text the writer makes, so that the values are the file's own.
    const std::string text = composeSettingsText(settings, 0);
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 2;
    }
    std::vector<std::string> values;
    for (const SettingKey& key : settingKeys()) {
        std::string value;
        for (size_t i = 0; i + 1 < lines.size(); ++i) {
            if (trimSpaces(lines[i]) != key.section) continue;
            const JsonParseResult parsed = parseJson(lines[i + 1]);
            if (const auto* document = std::get_if<JsonDocument>(&parsed))
                if (const JsonValue* member = memberAt(document->root(), key.key)) value = composeJson(*member);
            break;
        }
        values.push_back(std::move(value));
    }
    return values;
}

}  // namespace tesselon
