#include "processing/batch/batch_jobs.h"


#include "core/state.h"
#include "processing/text/overlay_text.h"

namespace tesselon {

PipelineSettings pipelineSettingsOf(const AppState& state) {
    PipelineSettings s;
    s.image = state.settings.image;
    s.font = state.settings.texto.FuenteUsada;
    s.textPosition = state.settings.texto.TextoPosicion;
    s.fontDpi = state.fontDpi;
    s.codecs = &state.codecs;
    return s;
}

PipelineJob jobForEntry(const AppState& state, size_t index, size_t phraseIndex, bool preview,
                        const std::string& temporaryFolder) {
    PipelineJob job;
    const STRProcesosEntorno& env = state.settings.entorno;
    job.plan = planOutput(env, state.SourceImageList.entries[index], temporaryFolder, preview);
    job.overlayText = textForEntry(state.settings, state.PhrasesList, state.DefaultWatermarkText, phraseIndex);
    job.resize = !preview && state.settings.image.ResizeActivo != 0;
    return job;
}

std::string padded7(size_t value) {
    // Right-aligned in seven characters with zeros; a longer number keeps its first seven.
    std::string digits = std::to_string(value);
    return digits.size() >= 7 ? digits.substr(0, 7) : std::string(7 - digits.size(), '0') + digits;
}

std::string imageCounterText(size_t number, size_t total) { return padded7(number) + "/" + padded7(total); }

}  // namespace tesselon
