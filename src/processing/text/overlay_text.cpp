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

std::string textForEntry(const Settings& settings, const std::vector<std::string>& phrases,
                         const std::string& defaultWatermark, size_t phraseIndex) {
    if (settings.texto.SoloMarcadeAgua != 0)
        return watermarkLines(settings.texto.TextoMarcaAgua);
    if (!phrases.empty())
        return phrases[phraseIndex % phrases.size()];
    return defaultWatermark;
}

std::string sampleText(const Settings& settings, const std::string& defaultWatermark) {
    if (settings.texto.SoloMarcadeAgua == 1)
        return watermarkLines(settings.texto.TextoMarcaAgua);
    return defaultWatermark;
}

}  // namespace tesselon
