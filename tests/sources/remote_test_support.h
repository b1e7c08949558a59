// Settings of an FTP source on a test server for the remote scan, test and download.
#pragma once

#include <cstdint>
#include <string>

#include "core/state.h"
#include "remote/ftp_sessions.h"
#include "engine/remote_context_of.h"
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
    sessionTableIn(state.ftpSessions).timeoutSeconds = 5;
}

}  // namespace tesselon::testing::scan
