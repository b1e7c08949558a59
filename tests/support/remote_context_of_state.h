// What the program hands a remote operation or a scan, taken from its state as a front
// end does: for tests that keep one whole program state.
#pragma once

#include <utility>

#include "core/frontend.h"
#include "core/state.h"
#include "remote/ftp_sessions.h"
#include "sources/remote_context.h"

namespace tesselon::testing {

inline RemoteContext remoteContextOf(AppState& state) {
    RemoteTrust trust{state.tlsCaFile, state.tlsPinnedCertificate, state.sftpTrustedHostKey, state.ProgramFolder};
    return RemoteContext{*state.frontend,
                         sessionTableIn(state.ftpSessions),
                         std::move(trust),
                         *state.cancel,
                         state.settings.entorno.FtpID,
                         state.remoteScanSeconds,
                         &state.settings.entorno.TotalImagesOrigen};
}

}  // namespace tesselon::testing
