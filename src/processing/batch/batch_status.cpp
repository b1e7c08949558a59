#include "processing/batch/batch_status.h"

#include "processing/text/overlay_text.h"

namespace tesselon {

namespace {

std::string count(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

void append(std::string& text, const std::string& part) {
    text += text.empty() ? "Atención: " : "; ";
    text += part;
}

}  // namespace

std::string batchStatusText(const BatchTally& tally) {
    std::string text;
    if (tally.sameName > 0)
        append(text, count(tally.sameName, "imagen no guardada por tener el mismo nombre de salida que otra",
                           "imágenes no guardadas por tener el mismo nombre de salida que otras"));
    if (tally.refused > 0)
        append(text, count(tally.refused, "imagen no guardada para no reemplazar otro archivo",
                           "imágenes no guardadas para no reemplazar otros archivos"));
    if (tally.failed > 0)
        append(text, count(tally.failed, "imagen no se pudo convertir", "imágenes no se pudieron convertir"));
    if (tally.firstFrameOnly > 0)
        append(text, count(tally.firstFrameOnly, "animación convertida sólo en su primer fotograma",
                           "animaciones convertidas sólo en su primer fotograma"));
    if (tally.copiedUnchanged > 0)
        append(text, count(tally.copiedUnchanged, "GIF animado copiado sin cambios (no se le aplican los procesos)",
                           "GIF animados copiados sin cambios (no se les aplican los procesos)"));
    if (tally.textCut) append(text, "textos recortados a " + std::to_string(kMaxOverlayCharacters) + " caracteres");
    return text;
}

}  // namespace tesselon
