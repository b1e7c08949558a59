#include "processing/output/destination_folder.h"

#include <string>

#include "core/frontend.h"
#include "processing/output/create_path.h"
#include "runtime/fs/file_system.h"

namespace tesselon {

bool ensureDestinationFolder(const OutputPlan& plan, int8_t& cancelado, Frontend& frontend) {
    if (plan.overwrite) return true;
    // A file where the folder should be is tried too, so the batch stops with the
    // message instead of failing every save silently.
    if (fileSize(plan.destinationFolder) == kFileIsFolder || createPath(plan.destinationFolder)) return true;
    if (plan.preview) return true;
    frontend.messageBox("Error de creación de ruta",
                        "No se pudo crear la ruta de destino de las imágenes: \r\n\r\n'" + plan.destinationFolder +
                            "'\r\n\r\nPROCESO ABORTADO",
                        MessageButtons::Ok, MessageIcon::Error);
    cancelado = 1;
    return false;
}

}  // namespace tesselon
