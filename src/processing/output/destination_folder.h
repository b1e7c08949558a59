// Making sure the folder a result goes into exists before the image is processed.
#pragma once

#include <cstdint>

#include "processing/output/output_plan.h"

namespace tesselon {

class Frontend;

// Makes the plan's destination folder beneath its root when it is missing (nothing to
// do when the sources are overwritten); a link or a file on the way counts as a folder
// that cannot be made. In a batch, a folder that cannot be made shows the "Error de
// creación de ruta" message, sets `cancelado` and gives false, which ends the batch; a
// preview ignores the failure and gives true.
bool ensureDestinationFolder(const OutputPlan& plan, int8_t& cancelado, Frontend& frontend);

}  // namespace tesselon
