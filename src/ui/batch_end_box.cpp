#include "ui/batch_end_box.h"

#include "ui/failure_texts.h"
#include "ui/publish_texts.h"

namespace tesselon {

namespace {

std::string convertedSentence(size_t converted, size_t total) {
    if (converted == 0)
        return total == 1 ? "No se pudo convertir la imagen." : "No se pudo convertir ninguna de las " +
                                                                    std::to_string(total) + " imágenes.";
    return std::string(converted == 1 ? "Se convirtió " : "Se convirtieron ") + std::to_string(converted) + " de " +
           std::to_string(total) + " imágenes.";
}

// The reason given beside a name in the box.
std::string reasonOf(const FailedImage& failed) {
    if (failed.why == ImageFailure::ResultNameTaken && !failed.nameKeptBy.empty())
        return "no se guardó: su resultado tendría el mismo nombre que el de " + failed.nameKeptBy;
    return failureText(failed.why);
}

std::string stopSentence(BatchStop stop) {
    switch (stop) {
    case BatchStop::None: break;
    case BatchStop::OutOfMemory: return "\r\n\r\nEl proceso se detuvo antes de terminar: no había memoria suficiente.";
    case BatchStop::InternalError: return "\r\n\r\nEl proceso se detuvo antes de terminar por un error interno.";
    }
    return "";
}

}  // namespace

MessageBoxText batchEndBox(const BatchEnd& end) {
    if (end.failed.empty() && end.stop == BatchStop::None)
        return {"Fin de proceso", "Todas las imágenes y textos fueron procesados", MessageIcon::Information};
    std::string text = convertedSentence(end.converted, end.total) + stopSentence(end.stop);
    if (!end.failed.empty()) text += "\r\n\r\nImágenes sin resultado:";
    for (size_t i = 0; i < end.failed.size() && i < kNamedFailures; ++i)
        text += "\r\n• " + end.failed[i].name + ": " + reasonOf(end.failed[i]);
    if (end.failed.size() > kNamedFailures)
        text += "\r\n… y " + std::to_string(end.failed.size() - kNamedFailures) + " más.";
    return {"Fin de proceso con errores", text, MessageIcon::Warning};
}

MessageBoxText batchEndBox(const BatchEnd& end, const PublishEnd& publish) {
    MessageBoxText box = batchEndBox(end);
    box.text += "\r\n\r\n" + publishEndText(publish);
    if (publishEndHasErrors(publish)) {
        box.title = "Fin de proceso con errores";
        box.icon = MessageIcon::Warning;
    }
    return box;
}

}  // namespace tesselon
