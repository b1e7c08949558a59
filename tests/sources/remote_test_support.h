// Settings of an FTP source on a test server for the remote scan, test and download.
#pragma once

#include <cstdint>
#include <string>

#include "core/state.h"
#include "core/frontend.h"
#include "remote/ftp_sessions.h"
#include "sources/remote_context.h"
#include "settings/password.h"
#include "support/ftp_test_server.h"

namespace tesselon::testing::scan {

inline void useFtpSource(AppState& state, uint16_t port, const std::string& folder,
                         const std::string& password = FtpTestServer::kPassword) {
    STRProcesosEntorno& env = state.settings.entorno;
    env.LocalRemoto = "R";
    env.servidor = "127.0.0.1";
    env.puerto = std::to_string(port);
    env.usuario = FtpTestServer::kUser;
    env.password = protectPassword(password);
    env.pasivo = 1;
    env.RutaOrigenRemoto = folder;
    env.ExtensionesActivas = "JPG|JPEG";
    env.imagenesRecursivo = 1;
    ftpSessions(state).timeoutSeconds = 5;
}

// What the program hands a remote operation, taken from its state as a front end does.
inline RemoteContext remoteContextOf(AppState& state) {
    RemoteTrust trust{state.tlsCaFile, state.tlsPinnedCertificate, state.sftpTrustedHostKey, state.ProgramFolder};
    return RemoteContext{*state.frontend,
                         ftpSessions(state),
                         std::move(trust),
                         state.frontend->cancelRequest(),
                         state.settings.entorno.FtpID,
                         state.remoteScanSeconds,
                         &state.settings.entorno.TotalImagesOrigen};
}

}  // namespace tesselon::testing::scan
