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

// The text an entry draws before the cap, by reference: phrases can be megabytes long.
const std::string& uncappedText(const Settings& settings, const std::vector<std::string>& phrases,
                                const std::string& defaultWatermark, size_t phraseIndex, std::string& watermark) {
    if (settings.texto.SoloMarcadeAgua != 0) {
        watermark = watermarkLines(settings.texto.TextoMarcaAgua);
        return watermark;
    }
    if (!phrases.empty()) return phrases[phraseIndex % phrases.size()];
    return defaultWatermark;
}

}  // namespace

std::string capOverlayText(std::string_view text) {
    return std::string(text.substr(0, prefixBytes(text, kMaxOverlayCharacters)));
}

bool overlayTextCut(const Settings& settings, const std::vector<std::string>& phrases,
                    const std::string& defaultWatermark) {
    const size_t count = settings.texto.SoloMarcadeAgua != 0 || phrases.empty() ? 1 : phrases.size();
    std::string watermark;
    for (size_t i = 0; i < count; ++i) {
        const std::string& text = uncappedText(settings, phrases, defaultWatermark, i, watermark);
        if (prefixBytes(text, kMaxOverlayCharacters) < text.size()) return true;
    }
    return false;
}

std::string textForEntry(const Settings& settings, const std::vector<std::string>& phrases,
                         const std::string& defaultWatermark, size_t phraseIndex) {
    std::string watermark;
    return capOverlayText(uncappedText(settings, phrases, defaultWatermark, phraseIndex, watermark));
}

std::string sampleText(const Settings& settings, const std::string& defaultWatermark) {
    if (settings.texto.SoloMarcadeAgua == 1)
        return capOverlayText(watermarkLines(settings.texto.TextoMarcaAgua));
    return capOverlayText(defaultWatermark);
}

}  // namespace tesselon
