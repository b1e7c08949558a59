#include "processing/text/text_sample.h"

#include "core/frontend.h"
#include "core/state.h"
#include "processing/text/overlay_text.h"
#include "processing/text/text_block.h"
#include "runtime/imaging/image_operations.h"

namespace tesselon {

namespace {

constexpr int kResultPane = 1;

}  // namespace

void refreshTextSample(AppState& state, const ImageObject& placeholder) {
    const STRProcesosTexto& texto = state.settings.texto;
    std::optional<ImageObject> sample = drawTextBlock(sampleText(state.settings, state.DefaultWatermarkText),
                                                      copyImage(placeholder), texto.FuenteUsada, texto.TextoPosicion,
                                                      state.fontDpi);
    if (sample && state.frontend)
        state.frontend->showPreviewImage(*sample, kResultPane);
}

}  // namespace tesselon
