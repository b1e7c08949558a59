#include "engine/remote_context_of.h"

#include "core/frontend.h"
#include "core/state.h"

namespace tesselon {

RemoteContext remoteContextOf(AppState& state) {
    RemoteTrust trust{state.tlsCaFile, state.tlsPinnedCertificate, state.sftpTrustedHostKey, state.ProgramFolder};
    return RemoteContext{*state.frontend,
                         sessionTableIn(state.ftpSessions),
                         std::move(trust),
                         *state.cancel,
                         state.settings.entorno.FtpID,
                         state.remoteScanSeconds,
                         &state.settings.entorno.TotalImagesOrigen,
                         state.remoteConnections,
                         state.keepRemoteConnections};
}

}  // namespace tesselon
