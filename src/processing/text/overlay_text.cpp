#include "processing/text/overlay_text.h"

#include <algorithm>

namespace tesselon {

std::string watermarkLines(std::string_view watermark) {
    std::string text(watermark);
    std::replace(text.begin(), text.end(), '|', '\n');
    return text;
}

size_t phraseIndexForImage(size_t imageOrdinal, size_t phraseCount) {
    return phraseCount == 0 ? 0 : imageOrdinal % phraseCount;
}

namespace {

// The byte length of the first `characters` code points (UTF-8 continuation bytes do
// not start one).
size_t prefixBytes(std::string_view text, size_t characters) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (count == characters) return i;
        ++count;
    }
    return text.size();
}

bool drawsPhrases(const Settings& settings, const PackedStrings& phrases) {
    return settings.texto.SoloMarcadeAgua == 0 && !phrases.empty();
}

// What every image draws when it draws no phrase: the watermark, else the default text.
std::string fixedText(const Settings& settings, const std::string& defaultWatermark) {
    return settings.texto.SoloMarcadeAgua != 0 ? watermarkLines(settings.texto.TextoMarcaAgua) : defaultWatermark;
}

bool longerThanTheCap(std::string_view text) { return prefixBytes(text, kMaxOverlayCharacters) < text.size(); }

}  // namespace

std::string capOverlayText(std::string_view text) {
    return std::string(text.substr(0, prefixBytes(text, kMaxOverlayCharacters)));
}

bool overlayTextCut(const Settings& settings, const PackedStrings& phrases, const std::string& defaultWatermark) {
    if (!drawsPhrases(settings, phrases)) return longerThanTheCap(fixedText(settings, defaultWatermark));
    // Phrases can be megabytes long: looked at where they are.
    for (std::string_view phrase : phrases) {
        if (longerThanTheCap(phrase)) return true;
    }
    return false;
}

std::string textForEntry(const Settings& settings, const PackedStrings& phrases, const std::string& defaultWatermark,
                         size_t phraseIndex) {
    if (!drawsPhrases(settings, phrases)) return capOverlayText(fixedText(settings, defaultWatermark));
    return capOverlayText(phrases[phraseIndex % phrases.size()]);
}

std::string sampleText(const Settings& settings, const std::string& defaultWatermark) {
    if (settings.texto.SoloMarcadeAgua == 1)
        return capOverlayText(watermarkLines(settings.texto.TextoMarcaAgua));
    return capOverlayText(defaultWatermark);
}

}  // namespace tesselon
