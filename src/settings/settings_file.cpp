#include "settings/settings_file.h"

#include <variant>

#include "core/frontend.h"
#include "core/state.h"
#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/text_file.h"
#include "runtime/json/json_compose.h"
#include "runtime/text/ascii_text.h"
#include "runtime/json/json_parse.h"
#include "core/remote_protocol.h"
#include "settings/record_descriptors.h"
#include "settings/settings_sections.h"

namespace tesselon {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kBareDefaultName = "default.cfg";

void appendLine(std::string& text, std::string_view line) {
    text += line;
    text += kLineEnd;
}

template <class Record>
void appendSection(std::string& text, JsonDocument& document, std::string_view section, const Record& record,
                   const RecordDescriptor<Record>& descriptor) {
    insertRecord(document.root(), record, descriptor);
    appendLine(text, section);
    appendLine(text, composeJson(document));
}

// Reads the line after a section line into the record; a line that does not parse
// leaves the record as it was and gives false.
template <class Record>
bool readSection(TextFile& file, Record& record, const RecordDescriptor<Record>& descriptor) {
    const std::string line = file.readLine();
    const JsonParseResult parsed = parseJson(trimSpaces(line));
    const auto* document = std::get_if<JsonDocument>(&parsed);
    if (document) extractRecord(document->root(), record, descriptor);
    return document != nullptr;
}

// The environment line ends with "protocolo" and then "carpetaPublicacion", after every
// key of the descriptor (which keeps the order files always had); a file without the
// first, or with another value, is plain FTP; a file without the second publishes
// nothing.
void appendEntornoSection(std::string& text, JsonDocument& document, const STRProcesosEntorno& entorno) {
    insertRecord(document.root(), entorno, entornoDescriptor());
    appendLine(text, kEntornoSection);
    std::string line = composeJson(document);
    line.insert(line.size() - 1, ",\"" + std::string(kProtocolKey) + "\":\"" +
                                     protocolName(remoteProtocolOf(entorno.protocolo)) + "\"," +
                                     composeJson(JsonValue::makeString(std::string(kPublishFolderKey))) + ":" +
                                     composeJson(JsonValue::makeString(entorno.carpetaPublicacion)));
    appendLine(text, line);
}

bool readEntornoSection(TextFile& file, STRProcesosEntorno& entorno) {
    const std::string line = file.readLine();
    const JsonParseResult parsed = parseJson(trimSpaces(line));
    const auto* document = std::get_if<JsonDocument>(&parsed);
    if (!document) return false;
    extractRecord(document->root(), entorno, entornoDescriptor());
    const JsonValue* stored = document->root().asObject() ? document->root().asObject()->find(kProtocolKey) : nullptr;
    const std::string* name = stored ? stored->asString() : nullptr;
    entorno.protocolo = protocolName(remoteProtocolOf(name ? *name : std::string()));
    const JsonValue* folder =
        document->root().asObject() ? document->root().asObject()->find(kPublishFolderKey) : nullptr;
    const std::string* publish = folder ? folder->asString() : nullptr;
    entorno.carpetaPublicacion = publish ? *publish : std::string();
    return true;
}

void keepLocalOrRemote(std::string& origin) {
    if (origin != "L" && origin != "R") origin = "L";
}

}  // namespace

std::string composeSettingsText(const Settings& settings, int64_t date) {
    std::string text;
    appendLine(text, "Tesselon " + formatDate("%dd/%mm/%yyyy %hh:%ii:%ss", date));
    appendLine(text, "VERSION:0.3f");
    JsonDocument document;
    appendSection(text, document, kConfigSection, settings.config, configDescriptor());
    appendEntornoSection(text, document, settings.entorno);
    appendSection(text, document, kTextoSection, settings.texto, textoDescriptor());
    appendSection(text, document, kImageSection, settings.image, imageDescriptor());
    return text;
}

int saveSettings(AppState& state, std::string_view path) {
    const std::string target = path == kBareDefaultName ? state.ProgramFolder + std::string(kBareDefaultName)
                                                        : std::string(path);
    const std::string text = composeSettingsText(state.settings, currentDate());
    if (writeFileReplacing(target, text)) return 1;
    if (state.frontend)
        state.frontend->messageBox("Atención", "No se ha podido generar el archivo: \r\n'" + target + "'",
                                   MessageButtons::Ok, MessageIcon::None);
    return 0;
}

SettingsLoadResult loadSettings(Settings& settings, std::string_view path) {
    const std::string quoted = "settings file '" + std::string(path) + "'";
    TextFile file = TextFile::openForReading(path, TextEncoding::Utf8, kMaxTextFileBytes);
    if (!file.isOpen())
        return {false, quoted + " cannot be read: " + describeOpenProblem(file.openProblem(), kMaxTextFileBytes)};
    int sections = 0;
    std::string broken;
    do {
        const std::string line = file.readLine();
        const std::string_view section = trimSpaces(line);
        bool parsed = true;
        if (section == kConfigSection) {
            parsed = readSection(file, settings.config, configDescriptor());
        } else if (section == kEntornoSection) {
            parsed = readEntornoSection(file, settings.entorno);
            keepLocalOrRemote(settings.entorno.LocalRemoto);
            keepLocalOrRemote(settings.entorno.UltimoEscaneoImagenesLocalRemoto);
        } else if (section == kTextoSection) {
            parsed = readSection(file, settings.texto, textoDescriptor());
        } else if (section == kImageSection) {
            parsed = readSection(file, settings.image, imageDescriptor());
        } else {
            continue;
        }
        ++sections;
        if (!parsed && broken.empty()) broken = std::string(section);
    } while (!file.eof());
    if (sections == 0) return {false, quoted + " holds no settings sections"};
    if (!broken.empty()) return {false, quoted + ": the line after " + broken + " is not valid JSON"};
    return {};
}

}  // namespace tesselon
