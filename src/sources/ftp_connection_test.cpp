#include "sources/ftp_connection_test.h"

#include <atomic>
#include <thread>
#include <vector>

#include "core/frontend.h"
#include "core/state.h"
#include "remote/create_remote_path.h"
#include "remote/ftp_sessions.h"
#include "runtime/text/ascii_text.h"
#include "settings/password.h"
#include "sources/folder_scan.h"
#include "sources/pause_for_events.h"

namespace tesselon {

namespace {

constexpr const char* kUploadTitle = "Subiendo imagenes...";
constexpr const char* kUploadCancelled = "Subida de imagenes de prueba suspendida por el usuario";
constexpr const char* kTestPatterns[] = {"*.jpg", "*.jpeg", "*.png", "*.gif"};

int portNumber(const std::string& text) {
    const std::string digits(trimSpaces(text));
    long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') break;
        value = std::min(value * 10 + (c - '0'), 100000L);
    }
    return int(value);
}

// Remote folder + "/" + the image's path below the test pack, with exactly one "/"
// between them.
std::string remoteNameFor(const std::string& folder, std::string relative) {
    for (char& c : relative) {
        if (c == '\\') c = '/';
    }
    std::string name = folder;
    while (!name.empty() && name.back() == '/') name.pop_back();
    while (!relative.empty() && relative.front() == '/') relative.erase(0, 1);
    return name + "/" + relative;
}

// The upload of the listed test images on a worker thread, while this thread keeps the
// windows alive. Every listed image is sent; the results are not examined.
void uploadTestPack(AppState& state, FtpID id, const std::string& packFolder, const std::string& folder,
                    const std::vector<SourceImageEntry>& images) {
    Frontend& ui = *state.frontend;
    FtpSessionTable& sessions = ftpSessions(state);
    const int total = int(images.size());
    if (total > 0) ui.openProgressWindow(kUploadTitle, total);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < total; ++i) {
            const std::string remote = remoteNameFor(folder, images[size_t(i)].path);
            const size_t slash = remote.rfind('/');
            if (slash != std::string::npos && slash > 0) createRemotePath(sessions, id, remote.substr(0, slash));
            ftpUpload(sessions, id, packFolder + images[size_t(i)].path, remote);
            ui.setProgressText(std::string(kUploadTitle) + "\r\n(" + std::to_string(i + 1) + " de " +
                               std::to_string(total) + ")");
            ui.setProgressPosition(i + 1);
        }
        done = true;
    });
    while (!done) pauseForEvents(ui, 200);
    worker.join();
}

void runTestUpload(AppState& state, FtpID id, const std::string& folder) {
    Frontend& ui = *state.frontend;
    int8_t& cancelled = state.settings.config.Cancelado;
    cancelled = 0;
    ui.setStatusLine(true, "");
    ui.waitPumpingEvents(10);
    ui.openProgressWindow("Subiendo imagenes....", 10);
    ui.waitPumpingEvents(50);

    // The test pack is listed here, where the cancel button is heard between images.
    const std::string packFolder = testPackFolder(state);
    std::vector<SourceImageEntry> images;
    const ScanContext scan{&cancelled, nullptr, &ui};
    for (const char* pattern : kTestPatterns) scanFolderByPattern(scan, packFolder, images, pattern, true);
    uploadTestPack(state, id, packFolder, folder, images);
    ui.waitPumpingEvents(2000);

    ui.closeProgressWindow();
    if (cancelled) ui.setStatusLine(false, kUploadCancelled);
}

}  // namespace

FtpConnectionData storedFtpConnection(const AppState& state) {
    const STRProcesosEntorno& env = state.settings.entorno;
    return FtpConnectionData{env.servidor, env.puerto, env.usuario, env.password, env.RutaOrigenRemoto,
                             env.pasivo != 0};
}

std::string testPackFolder(const AppState& state) { return state.ProgramFolder + "_FTPimg/"; }

std::string testFtpConnection(AppState& state, const FtpConnectionData& data, const FtpTestOptions& options) {
    Frontend& ui = *state.frontend;
    FtpSessionTable& sessions = ftpSessions(state);
    const std::string plain = recoverPassword(data.password);
    FtpID id = ftpConnect(sessions, data.server, data.user, plain, data.passive, portNumber(data.port));

    std::string title;
    std::string message;
    if (id == 0) {
        title = "Error de Conexión";
        message = "No se pudo conectar al servidor \r\n\r\n'" + data.server + "'\r\n\r\n";
        ui.messageBox(title, message, MessageButtons::Ok, MessageIcon::Error);
        return "0|" + title + ". " + message;
    }

    title = "Conexión con éxito";
    message = "La conexión se ha realizado correctamente";
    const std::string folder(trimSpaces(data.folder));
    if (!folder.empty()) {
        message += "\r\nRuta '" + folder + "' es ";
        bool entered = ftpChangeDir(sessions, id, folder);
        if (options.testUpload) {
            // The test images go only into a folder that did not exist yet.
            if (!entered && createRemotePath(sessions, id, folder)) runTestUpload(state, id, folder);
            entered = ftpChangeDir(sessions, id, folder);
        }
        message += entered ? "válida" : "errónea";
    }
    if (!options.keepOpen) {
        ftpClose(sessions, id);
        id = 0;
    }
    if (!options.silent) ui.messageBox(title, message, MessageButtons::Ok, MessageIcon::Information);
    return std::to_string(id) + "|" + title + ". " + message;
}

int testResultHandle(const std::string& result) { return std::atoi(result.substr(0, result.find('|')).c_str()); }

std::string testResultMessage(const std::string& result) {
    const size_t first = result.find('|');
    if (first == std::string::npos) return {};
    const size_t second = result.find('|', first + 1);
    return result.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
}

}  // namespace tesselon
