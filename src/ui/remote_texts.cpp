#include "ui/remote_texts.h"

#include <cctype>

#include "remote/sftp/known_hosts.h"
#include "runtime/text/ascii_text.h"
#include "sources/folder_scan.h"
#include "sources/remote_names.h"

namespace tesselon {

namespace {

MessageBoxText downloadEndBoxOverFtp(const RemoteDownloadOutcome& o);

using Kind = ScanProblem::Kind;
using End = RemoteDownloadOutcome::End;

constexpr const char* kConnectionErrorTitle = "Error de Conexión";
constexpr const char* kCertificateTitle = "Certificado no válido";
constexpr const char* kUnknownKeyTitle = "Clave del servidor desconocida";
constexpr const char* kChangedKeyTitle = "¡ATENCIÓN! La clave del servidor ha cambiado";
constexpr const char* kUncheckedKeyTitle = "No se puede comprobar la clave del servidor";
constexpr const char* kNothingSent = "No se ha enviado el usuario ni la contraseña.";
constexpr const char* kOneConnectionInActiveMode =
    "En modo activo la descarga usa una sola conexión: algunos servidores pierden las conexiones de datos cuando "
    "hay varias a la vez. Marca 'Modo Pasivo' para descargar varios archivos a la vez.";

// Why one file of a download failed, to follow its name.
std::string fileFailureReason(RemoteFailure failure) {
    switch (failure) {
    case RemoteFailure::UnsafeName: return "su ruta saldría de la carpeta de descarga";
    case RemoteFailure::TransferRefused: return "el servidor no quiso enviarlo";
    case RemoteFailure::TransferBroken: return "la transferencia se interrumpió";
    case RemoteFailure::NoDataConnection: return "no se pudo abrir la conexión de datos con el servidor";
    case RemoteFailure::LargerThanListed: return "es más grande de lo que indicaba el servidor";
    case RemoteFailure::OverSizeBound: return "es más grande de lo que una descarga puede traer";
    case RemoteFailure::NotRegularFile: return "en el servidor no es un archivo normal (un enlace, un dispositivo o similar)";
    case RemoteFailure::ShorterThanListed: return "es más pequeño de lo que indicaba el servidor";
    case RemoteFailure::NotConfirmed: return "el servidor no confirmó la transferencia";
    case RemoteFailure::LocalFileFailed: return "no se pudo escribir el archivo local";
    case RemoteFailure::ConnectionLost: return "se perdió la conexión con el servidor";
    case RemoteFailure::TimedOut: return "el servidor dejó de responder";
    case RemoteFailure::Cancelled: return "se canceló";
    default: return "la descarga falló";
    }
}

std::string quoted(const std::string& text) { return "'" + displayName(text) + "'"; }

std::string hostAndPort(const ServerIdentity& identity) {
    return quoted(identity.host + (identity.port > 0 ? ":" + std::to_string(identity.port) : ""));
}

std::string certificateReason(const ServerIdentity& identity) {
    switch (identity.certificate) {
    case CertificateProblem::Untrusted: return "está firmado por sí mismo o por una autoridad que el sistema no conoce";
    case CertificateProblem::WrongName:
        return identity.subject.empty() ? "se emitió para otro nombre"
                                        : "se emitió para otro nombre (" + quoted(identity.subject) + ")";
    case CertificateProblem::Expired: return "ha caducado";
    case CertificateProblem::NotYetValid: return "aún no es válido";
    default: return "no es válido";
    }
}

std::string fingerprintLines(const ServerIdentity& identity) {
    if (identity.protocol == RemoteProtocol::Sftp) return "Huella de la clave:\r\n" + identity.fingerprint;
    // 32 pairs overflow a box's line, and the box would break them wherever the width
    // ends; lines of 16 pairs are what a reader compares with what the host shows. The
    // colon stays at the end of a line, so the lines joined are the fingerprint.
    constexpr size_t kLine = 16 * 3;
    std::string readable = readableFingerprint(identity.fingerprint);
    for (size_t at = kLine; at < readable.size(); at += kLine + 2) readable.insert(at, "\r\n");
    return "Huella SHA-256 del certificado:\r\n" + readable;
}

std::string knownHostsReason(OpenProblem problem) {
    switch (problem) {
    case OpenProblem::NotRegular: return "no es un archivo normal (es una carpeta o un dispositivo)";
    case OpenProblem::TooLarge: return "ocupa más de " + std::to_string(kMaxKnownHostsBytes >> 20) + " MiB";
    default: return "no se puede leer";
    }
}

bool skipsNames(Kind kind) {
    switch (kind) {
    case Kind::RemoteFolderUnsafe:
    case Kind::RemoteNameAbsolute:
    case Kind::RemoteNameClimbsOut:
    case Kind::RemoteNameSeparator:
    case Kind::RemoteNameControlCharacter:
    case Kind::RemotePathTooLong: return true;
    default: return false;
    }
}

// What a scan that reached its folder passed by.
std::string scanNotice(const RemoteScanOutcome& outcome) {
    const ScanProblem* first = nullptr;
    for (const ScanProblem& p : outcome.problems) {
        if (p.kind == Kind::RemoteEntryLimit)
            return "ERROR: Recorrido de imagenes detenido al llegar a " + std::to_string(outcome.entryLimit) +
                   " entradas en: " + displayName(p.path);
        if (p.kind == Kind::RemotePathTextLimit)
            return "ERROR: Recorrido de imagenes detenido al llegar a " + std::to_string(outcome.pathTextLimit >> 20) +
                   " MiB de rutas listadas en: " + displayName(p.path);
        if (p.kind == Kind::RemoteScanDeadline)
            return "ERROR: Recorrido de imagenes detenido al pasar su plazo de " +
                   std::to_string(outcome.deadlineSeconds) + " segundos en: " + displayName(p.path);
        if (!first && !skipsNames(p.kind)) first = &p;
    }
    if (first) {
        switch (first->kind) {
        case Kind::RemoteConnectionLost:
            return "ERROR: Se perdió la conexión con el servidor en: " + displayName(first->path);
        case Kind::RemoteTooDeep:
            return "ERROR: Directorio anidado a más de " + std::to_string(outcome.depthLimit) +
                   " niveles: " + displayName(first->path);
        default: return "ERROR: Fallo en el listado del directorio: " + displayName(first->path);
        }
    }
    if (outcome.skippedNames > 0)
        return "Se omitieron " + std::to_string(outcome.skippedNames) +
               " nombres del servidor que no pueden ser un archivo local";
    return {};
}

}  // namespace

std::string readableFingerprint(const std::string& fingerprint) {
    std::string out;
    for (size_t i = 0; i < fingerprint.size(); ++i) {
        if (i > 0 && i % 2 == 0) out += ':';
        out += char(std::toupper(static_cast<unsigned char>(fingerprint[i])));
    }
    return out;
}

MessageBoxText connectionTestBox(const ConnectionTestReport& report) {
    const RemoteConnectOutcome& c = report.connection;
    const ServerIdentity& identity = c.identity;
    switch (c.failure) {
    case RemoteFailure::None: {
        std::string text = "La conexión se ha realizado correctamente";
        if (!report.folder.empty())
            text += "\r\nRuta '" + report.folder + "' es " + (report.folderValid ? "válida" : "errónea");
        return {"Conexión con éxito", text, MessageIcon::Information};
    }
    case RemoteFailure::ProtocolUnavailable:
        return {kConnectionErrorTitle,
                "Esta versión de Tesselon no puede usar FTPS todavía. Elige FTP o SFTP.\r\n\r\n" +
                    std::string(kNothingSent),
                MessageIcon::Error};
    case RemoteFailure::TlsRefused:
        return {kConnectionErrorTitle,
                "El servidor " + quoted(c.server) + " no acepta conexiones cifradas (FTPS).\r\n\r\n" + kNothingSent,
                MessageIcon::Error};
    case RemoteFailure::TlsFailed:
        return {kConnectionErrorTitle,
                "No se pudo establecer una conexión cifrada con el servidor " + quoted(c.server) + ".\r\n\r\n" +
                    kNothingSent,
                MessageIcon::Error};
    case RemoteFailure::CertificateRefused:
        return {kCertificateTitle,
                "El certificado del servidor " + hostAndPort(identity) + " " + certificateReason(identity) +
                    ".\r\n\r\n" + fingerprintLines(identity) + "\r\n\r\n" + kNothingSent,
                MessageIcon::Error};
    case RemoteFailure::HostKeyUnknown:
        return {kUnknownKeyTitle,
                "No se conoce la clave del servidor " + hostAndPort(identity) + ".\r\n\r\n" +
                    fingerprintLines(identity) + "\r\n\r\n" + kNothingSent,
                MessageIcon::Error};
    case RemoteFailure::HostKeyChanged:
        return {kChangedKeyTitle,
                "La clave del servidor " + hostAndPort(identity) +
                    " no es la que se conocía: alguien podría estar interceptando la conexión, o el servidor ha "
                    "cambiado de clave.\r\n\r\n" + fingerprintLines(identity) + "\r\n\r\n" + kNothingSent +
                    " Si el cambio es legítimo, quita la clave antigua del archivo que la guarda:\r\n"
                    "~/.ssh/known_hosts o known_hosts en la carpeta del programa.",
                MessageIcon::Warning};
    case RemoteFailure::KnownHostsUnreadable:
        return {kUncheckedKeyTitle,
                "El archivo de claves conocidas " + quoted(c.knownHostsFile) + " " +
                    knownHostsReason(c.knownHostsProblem) +
                    ", y podría guardar la clave de este servidor. Mientras no se arregle (haciéndolo legible o "
                    "más pequeño, o quitándolo), se rechazará todo servidor SFTP.\r\n\r\n" + kNothingSent,
                MessageIcon::Error};
    default:
        return {kConnectionErrorTitle, "No se pudo conectar al servidor \r\n\r\n'" + c.server + "'\r\n\r\n",
                MessageIcon::Error};
    }
}

std::string remoteScanStatusLine(const RemoteScanOutcome& outcome) {
    if (!outcome.connection.ok()) {
        const MessageBoxText box = connectionTestBox(ConnectionTestReport{outcome.connection, {}, false, false});
        return box.title + ". " + box.text;
    }
    switch (outcome.failure) {
    case RemoteFailure::None: return scanNotice(outcome);
    case RemoteFailure::FolderMissing: return "ERROR: Imposible cambiar al directorio: " + displayName(outcome.folder);
    default: return "ERROR: Fallo en el listado del directorio: " + displayName(outcome.folder);
    }
}

MessageBoxText trustQuestion(const ServerIdentity& identity) {
    if (identity.protocol == RemoteProtocol::Sftp) {
        return {kUnknownKeyTitle,
                "Es la primera vez que se conecta con el servidor " + hostAndPort(identity) +
                    " y no se conoce su clave.\r\n\r\n" + fingerprintLines(identity) +
                    "\r\n\r\nComprueba esta huella con el administrador del servidor. ¿Confías en ella? Si la "
                    "aceptas, se guardará y no se volverá a preguntar.",
                MessageIcon::Warning, MessageButtons::YesNoDefaultNo};
    }
    return {kCertificateTitle,
            "El certificado del servidor " + hostAndPort(identity) + " " + certificateReason(identity) +
                ".\r\n\r\n" + fingerprintLines(identity) +
                "\r\n\r\nComprueba esta huella con el administrador del servidor. ¿Confías en este certificado? Si "
                "lo aceptas, se guardará y no se volverá a preguntar mientras el servidor presente este mismo "
                "certificado.",
            MessageIcon::Warning, MessageButtons::YesNoDefaultNo};
}

MessageBoxText retryQuestion(const FailedRemoteFile& file) {
    return {"Error de descarga de archivo",
            "No se pudo descargar '" + displayName(file.path) + "': " + fileFailureReason(file.failure) +
                ".\r\n\r\n¿Reintentar u omitir este archivo?\r\n\r\n(Si pulsas cancelar la descarga se detendrá por "
                "completo)",
            MessageIcon::Error, MessageButtons::RetrySkipCancel};
}

std::string namingProtocol(const std::string& text, RemoteProtocol protocol) {
    const std::string name = asciiUpper(protocolName(protocol));
    const auto wordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (wordChar(text[i])) {
            size_t end = i;
            while (end < text.size() && wordChar(text[end])) ++end;
            const std::string_view word(text.data() + i, end - i);
            out += word == "FTP" || word == "FTPS" || word == "SFTP" ? std::string_view(name) : word;
            i = end;
        } else {
            out += text[i++];
        }
    }
    return out;
}

MessageBoxText downloadEndBox(const RemoteDownloadOutcome& o, RemoteProtocol protocol) {
    MessageBoxText box = downloadEndBoxOverFtp(o);
    box.title = namingProtocol(box.title, protocol);
    box.text = namingProtocol(box.text, protocol);
    return box;
}

namespace {

// The texts as they were written for FTP.
MessageBoxText downloadEndBoxOverFtp(const RemoteDownloadOutcome& o) {
    const bool cancelled = o.end == End::Cancelled || o.cancelledOnFailure;
    const MessageBoxText failed{cancelled ? "Descarga desde FTP cancelada" : "Descarga desde FTP ERRONEA", "",
                                MessageIcon::Error};
    const auto failure = [&failed](std::string text) {
        MessageBoxText box = failed;
        box.text = std::move(text);
        return box;
    };
    const std::string skipped = "Descarga completa con errores; " + std::to_string(o.skipped.size()) +
                                " archivos no se descargaron.";
    // Said once, in the box that ends the download, before its question.
    const std::string note =
        o.cap == DownloadConnectionsCap::ActiveMode ? std::string("\r\n") + kOneConnectionInActiveMode : "";
    const std::string openFolder = note + "\r\n¿Abrir la carpeta de descarga?";
    switch (o.end) {
    case End::NotRemote: return {};
    case End::LastScanLocal:
        return failure(
            "La última lista de imágenes escaneada corresponde a una carpeta local, no a la ruta del servidor."
            "\r\n\r\nDebes pulsar botón 'Escanear Imágenes' para obtener la lista de imágenes del servidor");
    case End::EmptyList: return failure("La lista de imágenenes está vacía. Asegúrate de que la ha actualizado.");
    case End::FolderFailed: return failure("No se Pudo crear la ruta '" + o.folder + "'");
    case End::NoConnection:
        return failure("Error al intentar abrir la conexión FTP en '" + o.connection.server + "'");
    case End::SubfolderFailed: return failure("Descarga con Fallos; No se pudo crear carpeta \r\n'" + o.folder + "'");
    case End::Cancelled:
        if (o.cancelledOnFailure) return failure("Descarga de archivos incompleta; Operación Cancelada por usuario");
        return {"Descarga desde FTP cancelada", "Descarga de archivos incompleta; Operación Cancelada por usuario" + openFolder,
                MessageIcon::Warning, MessageButtons::YesNo};
    case End::Finished: break;
    }
    // A download that did not fetch everything must not be titled a success.
    if (!o.skipped.empty())
        return {"Descarga desde FTP incompleta", skipped + openFolder, MessageIcon::Warning, MessageButtons::YesNo};
    return {"Descarga desde FTP OK", "Descarga de archivos completa y sin errores" + openFolder,
            MessageIcon::Information, MessageButtons::YesNo};
}

}  // namespace

std::string remoteProgressText(const RemoteProgress& p) {
    const auto counted = [&p](const char* title) {
        return std::string(title) + "\r\n(" + std::to_string(p.index) + " de " + std::to_string(p.total) + ")";
    };
    switch (p.phase) {
    case RemotePhase::Scanning: return scanProgressText(int64_t(p.found), displayName(p.name));
    case RemotePhase::Downloading: return p.index == 0 ? "Descargando imagenes..." : counted("Descargando imagenes...");
    case RemotePhase::Uploading:
        if (p.index > 0) return counted("Subiendo imagenes...");
        return p.total == 0 ? "Subiendo imagenes...." : "Subiendo imagenes...";
    }
    return {};
}

}  // namespace tesselon
