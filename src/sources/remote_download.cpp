#include "sources/remote_download.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

#include "core/frontend.h"
#include "core/state.h"
#include "remote/ftp_sessions.h"
#include "runtime/fs/folder_handle.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/paths.h"
#include "sources/ftp_connection_test.h"
#include "sources/open_download_folder.h"
#include "sources/remote_names.h"
#include "sources/scan_images.h"

namespace tesselon {

namespace {

constexpr const char* kDownloading = "Descargando imagenes...";

// Byte counts scaled to the progress bar's int range.
int barValue(int64_t value, int64_t maximum) {
    if (maximum <= INT_MAX) return int(value);
    return int(value / (maximum / INT_MAX + 1));
}

class Download {
public:
    Download(AppState& state, const std::string& folder, FolderHandle root)
        : state_(state),
          ui_(*state.frontend),
          sessions_(ftpSessions(state)),
          folder_(withTrailingSeparator(folder)),
          root_(std::move(root)) {}

    bool error = false;
    std::string message;

    // Step through the list; ends on cancel, on a local folder that cannot be made.
    void run() {
        STRProcesosEntorno& env = state_.settings.entorno;
        int8_t& cancelled = state_.settings.config.Cancelado;
        const auto& entries = state_.SourceImageList.entries;
        const std::string total = std::to_string(entries.size());
        for (size_t i = 0; i < entries.size() && !cancelled && !error; ++i) {
            const SourceImageEntry& entry = entries[i];
            const std::string text = std::string(kDownloading) + "\r\n(" + std::to_string(i + 1) + " de " + total + ")";
            ui_.setProgressText(text);
            const std::string target = downloadTarget(folder_, entry.path);
            FileInFolder local;
            if (target.empty()) {
                skip();  // a path that would leave the download folder is never fetched
            } else if (!(local = placeOf(target)).folder.valid()) {
                error = folderFailed_ = true;
                message = "Descarga con Fallos; No se pudo crear carpeta \r\n'" + pathPart(target) + "'";
            } else {
                fetch(entry, local, text, env);
            }
            ui_.waitPumpingEvents(20);
        }
        if (!folderFailed_) {
            if (skipped_ == 0) message = "Descarga de archivos completa y sin errores";
            if (cancelled) message = "Descarga de archivos incompleta; Operación Cancelada por usuario";
        }
    }

private:
    // Where `target`, a path below folder_, is written: its folder made and entered from
    // the descriptor of folder_, so that a link on the way, planted before or during the
    // download, stops it before anything is made or written there.
    FileInFolder placeOf(const std::string& target) const {
        const size_t slash = target.rfind('/');
        const std::string_view below = std::string_view(target).substr(folder_.size(), slash - folder_.size());
        return {root_.beneath(below, true), target.substr(slash + 1)};
    }

    void skip() {
        ++skipped_;
        message = "Descarga completa con errores; " + std::to_string(skipped_) + " archivos no se descargaron.";
    }

    // A session that lost step with its server (a stalled transfer, a cut one the server
    // did not answer, a reply past its bounds) is replaced before the next transfer, so
    // that a retry or the next file has a chance.
    bool sessionReady(STRProcesosEntorno& env) {
        if (!lastFailed_ || ftpCheck(sessions_, env.FtpID)) return true;
        ftpClose(sessions_, env.FtpID);
        env.FtpID = testResultHandle(testFtpConnection(state_, storedFtpConnection(state_), {true, true, false}));
        return env.FtpID != 0;
    }

    bool transfer(const SourceImageEntry& entry, const FileInFolder& target, const std::string& text,
                  STRProcesosEntorno& env) {
        ui_.openProgressWindow(text, barValue(entry.size, entry.size));
        lastFailed_ = !(sessionReady(env) && ftpDownload(sessions_, env.FtpID, entry.path, target, entry.size) && finished(entry, env));
        return !lastFailed_;
    }

    bool finished(const SourceImageEntry& entry, STRProcesosEntorno& env) {
        for (;;) {
            ui_.waitPumpingEvents(1);
            // A front end without windows returns at once; this waits for the worker
            // instead of spinning, and ends as soon as the transfer does.
            ftpWaitForTransfer(sessions_, env.FtpID, 1);
            const int64_t progress = ftpProgress(sessions_, env.FtpID);
            if (progress == kFtpTransferDone) return true;
            if (progress == kFtpTransferFailed) {
                ftpAbort(sessions_, env.FtpID);
                return false;
            }
            if (progress >= 0 && progress <= entry.size) ui_.setProgressPosition(barValue(progress, entry.size));
        }
    }

    void fetch(const SourceImageEntry& entry, const FileInFolder& target, const std::string& text,
               STRProcesosEntorno& env) {
        int8_t& cancelled = state_.settings.config.Cancelado;
        for (;;) {
            if (transfer(entry, target, text, env)) return;
            const MessageAnswer answer = ui_.messageBox(
                "Error de descarga de archivo",
                "No se pudo descargar '" + displayName(entry.path) +
                    "'\r\n\r\n¿Reintentar u omitir este archivo?\r\n\r\n(Si pulsas cancelar la descarga se "
                    "detendrá por completo)",
                MessageButtons::RetrySkipCancel, MessageIcon::Error);
            if (answer == MessageAnswer::Yes) {
                if (cancelled) return;
                continue;
            }
            if (answer == MessageAnswer::No) {
                skip();
            } else {
                // Cancel keeps the failure: the final box is the error one.
                error = true;
                cancelled = 1;
            }
            return;
        }
    }

public:
    int skipped() const { return skipped_; }

private:
    AppState& state_;
    Frontend& ui_;
    FtpSessionTable& sessions_;
    std::string folder_;
    FolderHandle root_;  // folder_, opened once
    int skipped_ = 0;
    bool folderFailed_ = false;
    bool lastFailed_ = false;  // the last transfer failed: check the session first
};

}  // namespace

std::string downloadChooserStart(const AppState& state) {
    const std::string& last = state.settings.entorno.RutaEnLocalDeRemotoDescargadas;
    return !last.empty() && last.front() == '/' && fileSize(last) == kFileIsFolder ? last : temporaryFolder();
}

std::string downloadTarget(const std::string& folder, const std::string& remotePath) {
    if (!isSafeRemotePath(remotePath)) return {};
    std::string relative = remotePath;
    while (!relative.empty() && relative.front() == '/') relative.erase(0, 1);
    if (relative.empty() || relative.back() == '/') return {};
    return withTrailingSeparator(folder) + relative;
}

std::string downloadRemoteImages(AppState& state, const std::string& folder,
                                 const std::function<void()>& refreshPreview, DownloadEnding* ending) {
    STRProcesosEntorno& env = state.settings.entorno;
    Frontend& ui = *state.frontend;
    if (env.LocalRemoto != "R") return {};
    bool error = false;
    std::string message;

    if (env.UltimoEscaneoImagenesLocalRemoto == "L") {
        const MessageAnswer answer = ui.messageBox(
            "Aviso",
            "El último escaneo de imágenes fue de una carpeta local.\r\n\r\n¿Quieres reescanear el nº de imágenes "
            "del servidor?\r\n(Si pulsas 'NO' la descarga será anulada)",
            MessageButtons::YesNo, MessageIcon::Warning);
        if (answer == MessageAnswer::Yes) {
            ui.setSourceChangedNotice(false);
            scanImages(state, env.imagenesRecursivo != 0);
            if (refreshPreview) refreshPreview();
        } else {
            error = true;
            message = "La última lista de imágenes escaneada corresponde a una carpeta local, no a la ruta del "
                      "servidor.\r\n\r\nDebes pulsar botón 'Escanear Imágenes' para obtener la lista de imágenes "
                      "del servidor";
        }
    }
    if (!error && state.SourceImageList.empty()) {
        error = true;
        message = "La lista de imágenenes está vacía. Asegúrate de que la ha actualizado.";
    }
    FolderHandle root;
    if (!error && !(root = openOrCreateFolder(folder)).valid()) {
        error = true;
        message = "No se Pudo crear la ruta '" + folder + "'";
    }
    FtpSessionTable& sessions = ftpSessions(state);
    if (!error) {
        // A session left by the scan is replaced by a fresh one.
        if (ftpIsOpen(sessions, env.FtpID)) ftpClose(sessions, env.FtpID);
        env.FtpID = testResultHandle(testFtpConnection(state, storedFtpConnection(state), {true, true, false}));
        if (env.FtpID == 0) {
            error = true;
            message = "Error al intentar abrir la conexión FTP en '" + env.servidor + "'";
        }
    }
    if (!error) {
        env.RutaEnLocalDeRemotoDescargadas = folder;
        // Cleared before the progress window shows its Cancelar, which may be pressed at once.
        state.settings.config.Cancelado = 0;
        ui.openProgressWindow(kDownloading, int(std::min<size_t>(state.SourceImageList.size(), INT_MAX)));
        ui.setMainWindowEnabled(false);
        ui.waitPumpingEvents(50);

        Download download(state, folder, root);
        download.run();
        error = download.error;
        message = download.message;
        if (ending) *ending = DownloadEnding{true, state.settings.config.Cancelado != 0, download.skipped()};

        if (ftpIsOpen(sessions, env.FtpID)) ftpClose(sessions, env.FtpID);
        ui.closeProgressWindow();
        ui.setMainWindowEnabled(true);
        ui.bringMainWindowToFront();
        ui.waitPumpingEvents(50);
    }
    return std::string(error ? "1" : "0") + "|" + message;
}

void showDownloadResult(AppState& state, const std::string& result, const std::string& folder,
                        const DownloadEnding& ending) {
    if (result.empty()) return;
    Frontend& ui = *state.frontend;
    const std::string message = result.substr(2);
    // A download that did not fetch everything must not be titled a success.
    const bool whole = !ending.cancelled && ending.skipped == 0;
    if (result[0] == '0') {
        const MessageAnswer answer = ui.messageBox(
            whole ? "Descarga desde FTP OK"
                  : ending.cancelled ? "Descarga desde FTP cancelada" : "Descarga desde FTP incompleta",
            message + "\r\n¿Abrir la carpeta de descarga?", MessageButtons::YesNo,
            whole ? MessageIcon::Information : MessageIcon::Warning);
        if (answer == MessageAnswer::Yes) openDownloadFolder(ui, folder);
    } else {
        ui.messageBox(ending.cancelled ? "Descarga desde FTP cancelada" : "Descarga desde FTP ERRONEA", message,
                      MessageButtons::Ok, MessageIcon::Error);
    }
}

}  // namespace tesselon
