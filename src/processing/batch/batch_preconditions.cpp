#include "processing/batch/batch_preconditions.h"

#include "core/frontend.h"
#include "core/records.h"
#include "core/image_list.h"
#include "runtime/text/packed_strings.h"
#include "processing/output/output_guard.h"
#include "sources/scan_images.h"

namespace tesselon {

namespace {

BatchGate askAboutSourceKind(const BatchGateParts& parts) {
    Frontend& ui = parts.frontend;
    const STRProcesosEntorno& env = parts.settings.entorno;
    const bool lastWasLocal = env.UltimoEscaneoImagenesLocalRemoto == "L";
    const std::string text =
        std::string(lastWasLocal ? "El último escaneo de imágenes fue de una carpeta local, pero tienes elegido un "
                                   "origen remoto."
                                 : "El último escaneo de imágenes fue de una carpeta remota, pero tienes elegido un "
                                   "origen local.") +
        "\r\n\r\n" +
        (lastWasLocal ? "¿Quieres reescanear el nº de imágenes del servidor?"
                      : "¿Quieres reescanear el nº de imágenes en la ruta actual?") +
        "\r\n(Si pulsas 'NO' el proceso de conversión será anulado)";
    if (ui.messageBox("Aviso", text, MessageButtons::YesNo, MessageIcon::Warning) == MessageAnswer::Yes) {
        ui.setSourceChangedNotice(false);
        parts.rescan();
        ui.showCounts(0);
    } else {
        ui.messageBox("Aviso", "Conversión de imágenes abortada", MessageButtons::Ok, MessageIcon::Information);
    }
    return BatchGate::OtherSourceKind;
}

// The list was read from another folder (or server) than the one the settings name now,
// say after loading a settings file without rescanning: converting it would put another
// job's images into this job's destination.
BatchGate askAboutOtherSource(const BatchGateParts& parts) {
    Frontend& ui = parts.frontend;
    const std::string text = "La lista de imágenes es de otra ruta de origen:\r\n'" + parts.list.origin +
                             "'\r\n\r\n¿Quieres reescanear la ruta actual y procesar sus imágenes?\r\n'" +
                             listOriginOf(parts.settings.entorno) +
                             "'\r\n(Si pulsas 'NO' no se procesará nada)";
    if (ui.messageBox("Aviso", text, MessageButtons::YesNo, MessageIcon::Warning) != MessageAnswer::Yes)
        return BatchGate::OtherSource;
    ui.setSourceChangedNotice(false);
    parts.rescan();
    ui.showCounts(0);
    return BatchGate::Proceed;
}

}  // namespace

BatchGate checkBatchPreconditions(const BatchGateParts& parts) {
    Frontend& ui = parts.frontend;
    const STRProcesosEntorno& env = parts.settings.entorno;
    if (parts.list.empty()) {
        ui.messageBox("Información",
                      std::string("No hay imágenes en la carpeta seleccionada") +
                          " o no se han escaneado posibles imágenes en dicha carpeta con botón: \r\n\r\n "
                          "'Escanear Imágenes'.",
                      MessageButtons::Ok, MessageIcon::Information);
        return BatchGate::EmptyList;
    }
    if (env.LocalRemoto != env.UltimoEscaneoImagenesLocalRemoto) return askAboutSourceKind(parts);
    const std::string& origin = parts.list.origin;
    if (!origin.empty() && origin != listOriginOf(env)) {
        if (const BatchGate gate = askAboutOtherSource(parts); gate != BatchGate::Proceed) return gate;
        // The folder in force may hold nothing to convert.
        if (parts.list.empty()) return checkBatchPreconditions(parts);
    }
    if (parts.phrases.empty() && parts.settings.texto.SoloMarcadeAgua == 0) {
        ui.messageBox("Información", "No has seleccionado archivo de frases ni seleccionado 'Usar Marca de Agua'",
                      MessageButtons::Ok, MessageIcon::Information);
        return BatchGate::NoTextSource;
    }
    if (destinationIsSourceFolder(env)) {
        // Results named like the originals, or like each other's originals (a.png from
        // a.jpg beside a real a.png), would replace them without the overwrite question.
        ui.messageBox("Error de ruta de destino",
                      "La ruta de destino es la misma que la ruta de origen de las imágenes: \r\n\r\n'" +
                          env.RutaImagenesDestino +
                          "'\r\n\r\nElige otra ruta de destino o marca 'Sobreescribir imagenes'.\r\n\r\n"
                          "PROCESO ABORTADO",
                      MessageButtons::Ok, MessageIcon::Error);
        return BatchGate::DestinationIsSource;
    }
    if (env.imagenesSobreescribir) {
        const std::string what = env.LocalRemoto == "R"
                                     ? std::string("Los archivos descargados serán reemplazados por los modificados. ") +
                                           "\r\n(Esto no afecta a los archivos del servidor)"
                                     : std::string("Los archivos originales serán reemplazados por los modificados.");
        if (ui.messageBox("Aviso de sobreescritura", what + "\r\n\r\n¿Continuar con la operación?",
                          MessageButtons::YesNo, MessageIcon::Warning) != MessageAnswer::Yes)
            return BatchGate::OverwriteDeclined;
    }
    return BatchGate::Proceed;
}

}  // namespace tesselon
