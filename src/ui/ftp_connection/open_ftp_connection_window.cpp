#include "ui/ftp_connection/open_ftp_connection_window.h"

#include "core/frontend.h"
#include "core/state.h"
#include "ui/desktop_batch.h"
#include "sources/check_connection.h"
#include "sources/scan_images.h"
#include "ui/ftp_connection/ftp_connection_dialog.h"
#include "engine/remote_context_of.h"
#include "ui/settings_binding.h"

namespace tesselon {

namespace {

void storeConnection(STRProcesosEntorno& env, const FtpConnectionData& data) {
    env.servidor = data.server;
    env.puerto = data.port;
    env.usuario = data.user;
    env.password = data.password;
    env.pasivo = data.passive ? 1 : 0;
    env.RutaOrigenRemoto = data.folder;
    env.protocolo = protocolName(data.protocol);
    env.carpetaPublicacion = data.publishFolder;
}

}  // namespace

bool openFtpConnectionWindow(AppState& state, LanguageTable& table, ControlRegistry& mainControls,
                             QWidget* mainWindow) {
    Frontend& ui = *state.frontend;
    const FtpConnectionData stored = storedConnectionData(state.settings.entorno);
    ui.waitPumpingEvents(10);

    FtpConnectionDialog dialog(table, ui, stored, [&state](const FtpConnectionData& data, bool testUpload) {
        checkConnection(remoteContextOf(state), endpointOf(data), ConnectionCheckOptions{false, false, testUpload});
    }, mainWindow);
    // Modal to window 1 only, so the progress window of a test upload keeps its
    // Cancelar button.
    dialog.setWindowModality(Qt::WindowModal);
    dialog.centreOnScreen();
    ui.waitPumpingEvents(10);
    const bool accepted = dialog.exec() == QDialog::Accepted && dialog.accepted();

    if (accepted) {
        STRProcesosEntorno& env = state.settings.entorno;
        storeConnection(env, *dialog.accepted());
        showRemoteProtocol(env, mainControls);
        if (env.servidor != stored.server || env.RutaOrigenRemoto != stored.folder) {
            env.TotalImagesOrigen = 0;
            state.SourceImageList.clear();
            bindEnvironment(state, mainControls, BindDirection::Show);
            bindTextOverlay(state, mainControls, BindDirection::Show);
            bindImageOps(state, mainControls, BindDirection::Show);
            if (confirmRescan(remoteContextOf(state), env, state.SourceImageList)) runDesktopBatch(state, true);
        }
    }
    ui.bringMainWindowToFront();
    ui.waitPumpingEvents(10);
    return accepted;
}

}  // namespace tesselon
