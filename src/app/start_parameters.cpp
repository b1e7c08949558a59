#include "app/start_parameters.h"

#include <algorithm>
#include <cctype>

#include "core/state.h"
#include "runtime/process/command_line.h"

namespace tesselon {

namespace {

std::string withoutQuotes(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '"') out += c;
    return out;
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return out;
}

void stripEnclosingQuote(std::string& value) {
    if (value.size() > 1 && value.front() == '"') value.erase(0, 1);
    if (value.size() > 1 && value.back() == '"') value.pop_back();
}

}  // namespace

StartParameters::StartParameters(const std::vector<std::string>& params) {
    for (const std::string& p : params) params_.push_back(withoutQuotes(p));
}

StartParameters StartParameters::fromCommandLine(std::string_view commandLine) {
    StartParameters result;
    result.params_ = splitCommandLine(commandLine);
    return result;
}

std::string StartParameters::next() { return position_ < params_.size() ? params_[position_++] : std::string(); }

int64_t readSwitchNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    uint64_t value = 0;
    if (i < text.size() && text[i] == '$') {
        for (++i; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i) {
            const char c = char(std::tolower(static_cast<unsigned char>(text[i])));
            value = value * 16 + uint64_t(c <= '9' ? c - '0' : c - 'a' + 10);
        }
    } else {
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
            value = value * 10 + uint64_t(text[i] - '0');
    }
    // Wraps like the 64-bit integer it is read into.
    return int64_t(negative ? 0 - value : value);
}

void applyStartSwitches(AppState& state, StartParameters& params) {
    STRProcesosEntorno& env = state.settings.entorno;
    for (;;) {
        const std::string p(trimBlanks(params.next()));
        if (p.empty()) break;
        const size_t eq = p.find('=');
        if (eq == std::string::npos) continue;
        const std::string name = upper(trimBlanks(std::string_view(p).substr(0, eq)));
        // The value starts right after the trimmed name's length plus the "=", as read
        // by position; a name with blanks before the "=" therefore keeps part of them.
        const size_t valueStart = name.size() + 1;
        const std::string value = valueStart <= p.size() ? p.substr(valueStart) : std::string();
        if (name == "/LOCKED") {
            env.locked = int8_t(uint8_t(readSwitchNumber(value)));
        } else if (name == "/FORIGEN") {
            env.RutaOrigenLocal = value;
        } else if (name == "/FDESTINO") {
            env.RutaImagenesDestino = value;
            env.imagenesRecursivo = 0;
            env.imagenesSobreescribir = 0;
            env.FormatoImagen = "original";
            env.LocalRemoto = "L";
        } else if (name == "/FCONFIG") {
            state.SettingsFilePath = value;
        }
    }
    stripEnclosingQuote(env.RutaOrigenLocal);
    stripEnclosingQuote(env.RutaImagenesDestino);
    stripEnclosingQuote(state.SettingsFilePath);
}

}  // namespace tesselon
