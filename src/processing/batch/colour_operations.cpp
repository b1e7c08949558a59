#include "processing/batch/colour_operations.h"

#include "processing/batch/image_pipeline.h"
#include "processing/filters/filters.h"

namespace tesselon {

bool greyDuringTurn(const STRProcesosImage& ops) {
    return ops.EscalaGrises && !ops.InvertirColores && !ops.TintarImagen && !textBeforeRotation(ops) &&
           (ops.Rotar == 90 || ops.Rotar == 270);
}

void applyColourOperations(ImageObject& img, const STRProcesosImage& ops, int threads) {
    if (ops.Contraste > 0) applyContrast(img, ops.Contraste, threads);
    if (ops.EspejoH) mirrorImage(img, 0, threads);
    if (ops.EspejoV) mirrorImage(img, 1, threads);
    if (ops.EscalaGrises && !greyDuringTurn(ops)) applyGreyScale(img, threads);
    if (ops.InvertirColores) applyInvert(img, threads);
    if (ops.TintarImagen) applyTint(img, ops.TinteColor, ops.TinteCantidad, threads);
}

}  // namespace tesselon
