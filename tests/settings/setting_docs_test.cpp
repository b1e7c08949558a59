#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <variant>

#include "runtime/json/json_parse.h"
#include "settings/defaults.h"
#include "settings/setting_docs.h"
#include "settings/setting_keys.h"
#include "settings/setting_ranges.h"
#include "settings/settings_file.h"

namespace tesselon {
namespace {

// section line -> every key of the JSON line after it, a nested object's members as key.member.
void collect(const JsonValue& value, const std::string& prefix, std::set<std::string>& keys) {
    const JsonObject* object = value.asObject();
    ASSERT_NE(object, nullptr);
    for (const JsonObject::Member* member : object->ordered()) {
        keys.insert(prefix + member->key);
        if (member->value.asObject()) collect(member->value, prefix + member->key + ".", keys);
    }
}

std::map<std::string, std::set<std::string>> keysOfWrittenFile() {
    Settings settings;
    resetToDefaults(settings, "W");
    const std::string text = composeSettingsText(settings, 0);
    std::map<std::string, std::set<std::string>> keys;
    std::string section;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start);
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (!line.empty() && line.front() == '[') {
            section = line;
        } else if (!section.empty()) {
            const JsonParseResult parsed = parseJson(line);
            const auto* document = std::get_if<JsonDocument>(&parsed);
            if (!document) {
                ADD_FAILURE() << "not JSON: " << line;
                continue;
            }
            collect(document->root(), "", keys[section]);
            section.clear();
        }
    }
    return keys;
}

TEST(SettingKeys, AreTheKeysOfTheWrittenFileSectionBySection) {
    std::map<std::string, std::set<std::string>> listed;
    for (const SettingKey& key : settingKeys()) listed[std::string(key.section)].insert(key.key);
    EXPECT_EQ(listed, keysOfWrittenFile());
}

TEST(SettingKeys, ComeInTheDescriptorsOrderWithTheFontAfterItsKey) {
    std::vector<std::string> texto;
    for (const SettingKey& key : settingKeys())
        if (key.section == "[ProcesosTexto]") texto.push_back(key.key);
    ASSERT_GE(texto.size(), 3u);
    EXPECT_EQ(texto[0], "FuenteUsada");
    EXPECT_EQ(texto[1], "FuenteUsada.Nombre");
    EXPECT_EQ(texto.back(), "TextoMarcaAgua");
}

TEST(SettingKeys, ValuesAreThoseOfTheWrittenFile) {
    Settings settings;
    resetToDefaults(settings, "Marca|de agua");
    settings.texto.FuenteUsada.Nombre = "DejaVu \"Sans\"";
    settings.entorno.protocolo = "sftp";
    const std::vector<SettingKey> keys = settingKeys();
    const std::vector<std::string> values = composedValues(settings);
    ASSERT_EQ(values.size(), keys.size());
    std::map<std::string, std::string> byKey;
    for (size_t i = 0; i < keys.size(); ++i) byKey[std::string(keys[i].section) + " " + keys[i].key] = values[i];
    EXPECT_EQ(byKey["[ProcesosTexto] FuenteUsada.Nombre"], "\"DejaVu \\\"Sans\\\"\"");
    EXPECT_EQ(byKey["[ProcesosTexto] TextoMarcaAgua"], "\"Marca|de agua\"");
    EXPECT_EQ(byKey["[ProcesosTexto] FuenteUsada.Interlinea"], "2");
    EXPECT_EQ(byKey["[ProcesosEntorno] protocolo"], "\"sftp\"");
    EXPECT_EQ(byKey["[ProcesosImage] ResizeH"], "800");
}

// A key the descriptors gain without a word in the documentation table fails here (and
// stops the build of the manual page).
TEST(SettingDocs, DocumentEveryKeyOfTheFileInItsOrder) {
    const std::vector<SettingKey> keys = settingKeys();
    const std::vector<SettingDoc>& docs = settingDocs();
    for (size_t i = 0; i < std::max(keys.size(), docs.size()); ++i) {
        const std::string key = i < keys.size() ? std::string(keys[i].section) + " " + keys[i].key : "(none)";
        const std::string doc = i < docs.size() ? docs[i].section + " " + docs[i].key : "(none)";
        ASSERT_EQ(doc, key) << "entry " << i;
        EXPECT_FALSE(docs[i].meaning.empty()) << key;
    }
}

TEST(SettingDocs, FlagsAreSmallIntegersAndColoursAre32Bits) {
    const std::vector<SettingKey> keys = settingKeys();
    const std::vector<SettingDoc>& docs = settingDocs();
    ASSERT_EQ(keys.size(), docs.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        if (docs[i].form == ValueForm::Flag) {
            EXPECT_EQ(keys[i].type, FieldType::Int8) << keys[i].key;
        }
        if (docs[i].form == ValueForm::Colour) {
            EXPECT_EQ(keys[i].type, FieldType::Int32) << keys[i].key;
        }
    }
}

TEST(SettingDocs, EverySectionHasItsText) {
    std::set<std::string> sections;
    for (const SettingKey& key : settingKeys()) sections.insert(std::string(key.section));
    std::set<std::string> described;
    for (const SectionDoc& doc : sectionDocs()) described.insert(doc.section);
    EXPECT_EQ(described, sections);
}

TEST(SettingRanges, NameIntegerKeysOfTheFile) {
    std::map<std::string, FieldType> types;
    for (const SettingKey& key : settingKeys()) types[std::string(key.section) + " " + std::string(key.key)] = key.type;
    for (const SettingRange& range : settingRanges()) {
        const std::string name = std::string(range.section) + " " + std::string(range.key);
        ASSERT_TRUE(types.count(name)) << name;
        EXPECT_EQ(types[name], FieldType::Int32) << name;
        EXPECT_LT(range.low, range.high) << name;
    }
}

// The table's field is the one its key names: a value set through the key's record
// field comes back through the table.
TEST(SettingRanges, ReachTheFieldTheirKeyNames) {
    Settings settings;
    settings.entorno.CalidadGrabacion = 11;
    settings.texto.FuenteUsada.TransparenciaInterior = 12;
    settings.texto.FuenteUsada.TransparenciaBorde = 13;
    settings.image.Rotar = 14;
    settings.image.TinteCantidad = 15;
    settings.image.Contraste = 16;
    settings.image.ResizeH = 17;
    settings.image.ResizeV = 18;
    const std::vector<SettingKey> keys = settingKeys();
    const std::vector<std::string> values = composedValues(settings);
    for (const SettingRange& range : settingRanges()) {
        const auto at = std::find_if(keys.begin(), keys.end(), [&](const SettingKey& key) {
            return key.section == range.section && key.key == range.key;
        });
        ASSERT_NE(at, keys.end()) << range.key;
        EXPECT_EQ(std::to_string(range.field(settings)), values[size_t(at - keys.begin())]) << range.key;
    }
}

}  // namespace
}  // namespace tesselon
