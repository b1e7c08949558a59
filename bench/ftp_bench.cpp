// Times the program's remote scan or download of an FTP folder, the way tesselon-batch
// runs them (no windows, no waits between files). Prints the seconds taken.
//
// Usage: ftp_bench [--ftps] [--connections N] scan|download HOST PORT USER PASSWORD REMOTE_FOLDER [DOWNLOAD_DIR]
// With --ftps the server is reached over explicit TLS, its certificate checked against
// TESSELON_CA_FILE's authorities.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/remote_context_of.h"
#include "cli/terminal_frontend.h"
#include "core/state.h"
#include "remote/ftp_sessions.h"
#include "settings/password.h"
#include "sources/remote_download.h"
#include "sources/scan_images.h"

int main(int argc, char** argv) {
    using namespace tesselon;
    const bool ftps = argc > 1 && std::string(argv[1]) == "--ftps";
    if (ftps) {
        --argc;
        ++argv;
    }
    int connections = kDefaultRemoteConnections;
    if (argc > 2 && std::string(argv[1]) == "--connections") {
        connections = std::atoi(argv[2]);
        argc -= 2;
        argv += 2;
    }
    if (argc < 7) {
        std::fprintf(stderr, "usage: ftp_bench [--ftps] scan|download HOST PORT USER PASSWORD FOLDER [DIR]\n");
        return 2;
    }
    const std::string mode = argv[1];
    // Questions answered No (a failed file is skipped); no status lines.
    TerminalFrontend ui;
    ui.quiet = true;
    AppState state;
    state.frontend = &ui;
    state.remoteConnections = connections;
    STRProcesosEntorno& env = state.settings.entorno;
    env.LocalRemoto = "R";
    env.servidor = argv[2];
    env.puerto = argv[3];
    env.usuario = argv[4];
    env.password = protectPassword(argv[5]);
    env.pasivo = 1;
    env.protocolo = ftps ? "ftps" : "ftp";
    env.RutaOrigenRemoto = argv[6];
    env.ExtensionesActivas = "JPG|JPEG|PNG|GIF";

    const auto start = std::chrono::steady_clock::now();
    const RemoteContext context = remoteContextOf(state);
    scanImages(context, env, state.SourceImageList, true);
    const double scanned = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (mode == "scan") {
        std::printf("%.3f %zu\n", scanned, state.SourceImageList.size());
        return state.SourceImageList.empty() ? 1 : 0;
    }
    if (argc < 8) return 2;
    const auto begin = std::chrono::steady_clock::now();
    const RemoteDownloadOutcome result = downloadRemoteImages(context, env, state.SourceImageList, argv[7], {});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::printf("%.3f %zu\n", seconds, state.SourceImageList.size());
    closeSessionsIn(state.ftpSessions);
    return result.end == RemoteDownloadOutcome::End::Finished && result.skipped.empty() ? 0 : 1;
}
