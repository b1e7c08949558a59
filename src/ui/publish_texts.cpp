#include "ui/publish_texts.h"

#include "sources/remote_names.h"
#include "ui/remote_texts.h"

namespace tesselon {

namespace {

// At most this many results that were not published are named; the rest are counted.
constexpr size_t kNamedPublishFailures = 10;

std::string nameReason(PublishNameProblem problem) {
    switch (problem) {
    case PublishNameProblem::None: break;
    case PublishNameProblem::Empty: return "le falta un nombre en el servidor";
    case PublishNameProblem::DotComponent: return "su ruta en el servidor pasaría por '.' o '..'";
    case PublishNameProblem::SlashInName: return "su nombre contiene una barra '/'";
    case PublishNameProblem::ControlByte: return "su ruta contiene caracteres que no se pueden enviar";
    case PublishNameProblem::NotBeneath: return "su original no está en la carpeta de las imágenes";
    case PublishNameProblem::TooLong: return "su ruta en el servidor sería demasiado larga";
    }
    return "su nombre no se puede enviar al servidor";
}

std::string uploadReason(RemoteFailure failure) {
    switch (failure) {
    case RemoteFailure::TransferRefused: return "el servidor no lo aceptó";
    case RemoteFailure::TransferBroken: return "la transferencia se interrumpió";
    case RemoteFailure::NoDataConnection: return "no se pudo abrir la conexión de datos con el servidor";
    case RemoteFailure::NotConfirmed: return "el servidor no confirmó la transferencia";
    case RemoteFailure::LocalFileFailed: return "no se pudo leer el archivo";
    case RemoteFailure::ConnectionLost: return "se perdió la conexión con el servidor";
    case RemoteFailure::TimedOut: return "el servidor dejó de responder";
    case RemoteFailure::Cancelled: return "se canceló";
    default: return "la subida falló";
    }
}

std::string quoted(const std::string& text) { return "'" + displayName(text) + "'"; }

}  // namespace

std::string publishProgressText(const PublishProgress& p) {
    if (p.total == 0) return kPublishingText;
    // The count names the result being sent, not the ones already through.
    const size_t at = p.done < p.total ? p.done + 1 : p.total;
    return std::string(kPublishingText) + "\r\n(" + std::to_string(at) + " de " + std::to_string(p.total) + ")";
}

std::string publishFailureReason(const PublishItemOutcome& o) {
    std::string reason;
    switch (o.failure) {
    case PublishFailure::None: return {};
    case PublishFailure::UnsafeName: reason = nameReason(o.name); break;
    case PublishFailure::OverDownloadedSource:
        reason = "reemplazaría en el servidor la imagen original (marca 'Sobreescribir imagenes' para permitirlo)";
        break;
    case PublishFailure::LocalFileFailed: reason = "no se pudo leer la imagen procesada"; break;
    case PublishFailure::FolderRefused: reason = "no se pudo crear la carpeta " + quoted(o.folder) + " en el servidor"; break;
    case PublishFailure::UploadFailed: reason = uploadReason(o.remote); break;
    case PublishFailure::RenameFailed: reason = "el servidor no dejó ponerle su nombre final"; break;
    case PublishFailure::RenameMisplaced:
        reason = "el servidor dijo haberle puesto su nombre final, pero no está con ese nombre";
        break;
    case PublishFailure::SizeDisagrees:
        reason = "el servidor guarda " + std::to_string(o.serverBytes) + " bytes en lugar de " +
                 std::to_string(o.bytes);
        break;
    case PublishFailure::NoConnection: reason = "no se pudo conectar con el servidor"; break;
    case PublishFailure::Cancelled: reason = "se canceló"; break;
    }
    if (o.temporaryLeft && !o.temporary.empty())
        reason += " (quizá quede en el servidor el archivo temporal " + quoted(o.temporary) + ")";
    return reason;
}

MessageBoxText publishRetryQuestion(const FailedPublish& failed) {
    return {"Error de publicación de archivo",
            "No se pudo publicar " + quoted(failed.remotePath) + ": " + publishFailureReason(failed.outcome) +
                ".\r\n\r\n¿Reintentar u omitir este archivo?\r\n\r\n(Si pulsas cancelar la publicación se detendrá "
                "por completo)",
            MessageIcon::Error, MessageButtons::RetrySkipCancel};
}

bool publishEndHasErrors(const PublishEnd& end) {
    return !end.outcome.connection.ok() || end.outcome.published < end.total;
}

std::string publishEndText(const PublishEnd& end) {
    const PublishOutcome& o = end.outcome;
    const std::string where = " en " + quoted(end.folder);
    if (end.total == 0) return "No había imágenes procesadas que publicar" + where + ".";
    if (!o.connection.ok()) {
        ConnectionTestReport report;
        report.connection = o.connection;
        return "No se publicó ninguna imagen" + where + ".\r\n" + connectionTestBox(report).text;
    }
    std::string text;
    if (o.published == end.total) {
        text = end.total == 1 ? "Se publicó la imagen" + where + "."
                              : "Se publicaron las " + std::to_string(end.total) + " imágenes" + where + ".";
        return text;
    }
    text = o.published == 0 ? "No se publicó ninguna de las " + std::to_string(end.total) + " imágenes" + where + "."
                            : std::string(o.published == 1 ? "Se publicó " : "Se publicaron ") +
                                  std::to_string(o.published) + " de " + std::to_string(end.total) + " imágenes" +
                                  where + ".";
    if (o.cancelled) text += "\r\nLa publicación se detuvo por el usuario.";
    size_t named = 0, unnamed = 0;
    std::string list;
    for (size_t i = 0; i < o.items.size() && i < end.remotePaths.size(); ++i) {
        const PublishItemOutcome& item = o.items[i];
        // Those cancelled before they began are counted above, not named one by one.
        if (item.published() || (o.cancelled && item.failure == PublishFailure::Cancelled)) continue;
        if (named == kNamedPublishFailures) {
            ++unnamed;
            continue;
        }
        list += "\r\n• " + displayName(end.remotePaths[i]) + ": " + publishFailureReason(item);
        ++named;
    }
    if (named > 0) text += "\r\n\r\nImágenes sin publicar:" + list;
    if (unnamed > 0) text += "\r\n… y " + std::to_string(unnamed) + " más.";
    return text;
}

}  // namespace tesselon
