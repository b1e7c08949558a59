#include "sources/ftp_connection_test.h"

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "core/frontend.h"
#include "core/state.h"
#include "remote/create_remote_path.h"
#include "remote/ftp_sessions.h"
#include "runtime/text/ascii_text.h"
#include "settings/password.h"
#include "sources/certificate_pins.h"
#include "sources/folder_scan.h"
#include "sources/pause_for_events.h"
#include "sources/sftp_source.h"

namespace tesselon {

namespace {

constexpr const char* kTestPatterns[] = {"*.jpg", "*.jpeg", "*.png", "*.gif"};

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
    const size_t total = images.size();
    if (total > 0) ui.showRemoteProgress(progressAt(RemotePhase::Uploading, 0, total));
    std::atomic<bool> done{false};
    std::thread worker([&] {
        // An exception on a worker thread would end the program: the upload stops instead.
        try {
            for (size_t i = 0; i < total; ++i) {
                const std::string remote = remoteNameFor(folder, images[i].path);
                const size_t slash = remote.rfind('/');
                if (slash != std::string::npos && slash > 0) createRemotePath(sessions, id, remote.substr(0, slash));
                ftpUpload(sessions, id, packFolder + images[i].path, remote);
                RemoteProgress progress = progressAt(RemotePhase::Uploading, i + 1, total);
                progress.name = remote;
                ui.showRemoteProgress(progress);
            }
        } catch (...) {
        }
        done = true;
    });
    while (!done) pauseForEvents(ui, 200);
    worker.join();
}

// True when the user cancelled the upload.
bool runTestUpload(AppState& state, FtpID id, const std::string& folder) {
    Frontend& ui = *state.frontend;
    int8_t& cancelled = state.settings.config.Cancelado;
    cancelled = 0;
    ui.setStatusLine(true, "");
    ui.waitPumpingEvents(10);
    ui.showRemoteProgress(progressAt(RemotePhase::Uploading, 0, 0));
    ui.waitPumpingEvents(50);

    // The test pack is listed here, where the cancel button is heard between images.
    const std::string packFolder = testPackFolder(state);
    std::vector<SourceImageEntry> images;
    const ScanContext scan{&cancelled, nullptr, &ui};
    for (const char* pattern : kTestPatterns) scanFolderByPattern(scan, packFolder, images, pattern, true);
    uploadTestPack(state, id, packFolder, folder, images);
    ui.waitPumpingEvents(2000);

    ui.closeProgressWindow();
    return cancelled != 0;
}

}  // namespace

FtpOpenResult openFtpsSession(AppState& state, FtpConnectOptions options) {
    FtpSessionTable& sessions = ftpSessions(state);
    options.host = std::string(trimSpaces(options.host));
    options.tls = true;
    options.caFile = state.tlsCaFile;
    if (options.caFile.empty()) {
        if (const char* variable = std::getenv("TESSELON_CA_FILE")) options.caFile = variable;
    }
    const std::string pinsFile = pinnedCertificatesFile(state);
    options.pinnedCertificates = pinnedCertificatesFor(pinsFile, options.host, options.port);
    if (!state.tlsPinnedCertificate.empty()) options.pinnedCertificates.push_back(state.tlsPinnedCertificate);
    FtpOpenResult opened = ftpOpen(sessions, options);
    const ServerIdentity& shown = opened.outcome.identity;
    if (opened.outcome.failure != RemoteFailure::CertificateRefused || shown.fingerprint.empty()) return opened;
    if (!state.frontend->askTrustServer(shown)) {
        opened.outcome.declined = true;
        return opened;
    }
    // Only the certificate shown is taken: another one presented now is refused again.
    const std::string fingerprint = shown.fingerprint;
    pinCertificate(pinsFile, options.host, options.port, fingerprint);
    options.pinnedCertificates = {fingerprint};
    return ftpOpen(sessions, std::move(options));
}

FtpConnectionData storedFtpConnection(const AppState& state) {
    const STRProcesosEntorno& env = state.settings.entorno;
    return FtpConnectionData{env.servidor,         env.puerto,    env.usuario,
                             env.password,         env.RutaOrigenRemoto, env.pasivo != 0,
                             remoteProtocolOf(env.protocolo)};
}

std::string testPackFolder(const AppState& state) { return state.ProgramFolder + "_FTPimg/"; }

int portNumber(const std::string& text) {
    const std::string digits(trimSpaces(text));
    long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') break;
        value = std::min(value * 10 + (c - '0'), 100000L);
    }
    return int(value);
}

ConnectionTestResult testFtpConnection(AppState& state, const FtpConnectionData& data, const FtpTestOptions& options) {
    Frontend& ui = *state.frontend;
    const auto tell = [&ui, &options](const ConnectionTestReport& report) {
        if (!options.untold) ui.showConnectionTest(report, options.silent);
    };
    if (data.protocol == RemoteProtocol::Sftp) {
        ConnectionTestResult result;
        result.report = testSftpConnection(state, data);
        tell(result.report);
        return result;
    }
    FtpSessionTable& sessions = ftpSessions(state);
    FtpConnectOptions connect;
    connect.host = data.server;
    connect.port = portNumber(data.port);
    connect.user = data.user;
    connect.password = recoverPassword(data.password);
    connect.passive = data.passive;
    FtpOpenResult opened = data.protocol == RemoteProtocol::Ftps ? openFtpsSession(state, std::move(connect))
                                                                 : ftpOpen(sessions, std::move(connect));

    ConnectionTestResult result;
    ConnectionTestReport& report = result.report;
    report.connection = std::move(opened.outcome);
    if (opened.id == 0) {
        tell(report);
        return result;
    }
    result.handle = opened.id;
    report.folder = std::string(trimSpaces(data.folder));
    if (!report.folder.empty()) {
        bool entered = ftpChangeDir(sessions, result.handle, report.folder);
        if (options.testUpload) {
            // The test images go only into a folder that did not exist yet.
            if (!entered && createRemotePath(sessions, result.handle, report.folder))
                report.uploadCancelled = runTestUpload(state, result.handle, report.folder);
            entered = ftpChangeDir(sessions, result.handle, report.folder);
        }
        report.folderValid = entered;
    }
    if (!options.keepOpen) {
        ftpClose(sessions, result.handle);
        result.handle = 0;
    }
    tell(report);
    return result;
}

}  // namespace tesselon
