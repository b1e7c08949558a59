#include "processing/output/destination_folder.h"

#include <string>

#include "core/frontend.h"

namespace tesselon {

bool ensureDestinationFolder(const OutputPlan& plan, int8_t& cancelado, Frontend& frontend) {
    if (plan.overwrite) return true;
    if (plan.root.beneath(plan.folderBeneathRoot, true).valid()) return true;
    if (plan.preview) return true;
    frontend.messageBox("Error de creación de ruta",
                        "No se pudo crear la ruta de destino de las imágenes: \r\n\r\n'" + plan.destinationFolder +
                            "'\r\n\r\nPROCESO ABORTADO",
                        MessageButtons::Ok, MessageIcon::Error);
    cancelado = 1;
    return false;
}

}  // namespace tesselon
