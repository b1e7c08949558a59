#include "processing/text/text_sample.h"

#include "core/frontend.h"
#include "core/records.h"
#include "processing/text/overlay_text.h"
#include "processing/text/text_block.h"
#include "runtime/imaging/image_operations.h"

namespace tesselon {

namespace {

constexpr int kResultPane = 1;

}  // namespace

void refreshTextSample(const Settings& settings, const std::string& defaultWatermark, int fontDpi, Frontend* frontend,
                       const ImageObject& placeholder) {
    const STRProcesosTexto& texto = settings.texto;
    std::optional<ImageObject> sample = drawTextBlock(sampleText(settings, defaultWatermark), copyImage(placeholder),
                                                      texto.FuenteUsada, texto.TextoPosicion, fontDpi);
    if (sample && frontend) frontend->showPreviewImage(*sample, kResultPane);
}

}  // namespace tesselon
