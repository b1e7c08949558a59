// Times the program's scan or download of a remote folder over SFTP, the way
// tesselon-batch runs them (no windows, no waits between files): the host key is taken
// as known from PROGRAM_FOLDER/known_hosts, where the key a user accepted is kept.
// Prints the seconds taken and the count of files found.
//
// Usage: sftp_bench scan|download HOST PORT USER PASSWORD PROGRAM_FOLDER REMOTE_FOLDER [DOWNLOAD_DIR]
#include <chrono>
#include <cstdio>
#include <string>

#include "engine/remote_context_of.h"
#include "cli/terminal_frontend.h"
#include "core/state.h"
#include "remote/ftp_sessions.h"
#include "runtime/fs/paths.h"
#include "settings/password.h"
#include "sources/remote_download.h"
#include "sources/scan_images.h"

int main(int argc, char** argv) {
    using namespace tesselon;
    const std::string mode = argc > 1 ? argv[1] : "";
    if ((mode != "scan" && mode != "download") || argc < (mode == "download" ? 9 : 8)) {
        std::fprintf(stderr, "usage: sftp_bench scan|download HOST PORT USER PASSWORD PROGRAM_FOLDER FOLDER [DIR]\n");
        return 2;
    }
    // Questions answered No (a failed file is skipped); no status lines.
    TerminalFrontend ui;
    ui.quiet = true;
    AppState state;
    state.frontend = &ui;
    state.ProgramFolder = withTrailingSeparator(argv[6]);
    STRProcesosEntorno& env = state.settings.entorno;
    env.protocolo = "sftp";
    env.LocalRemoto = "R";
    env.servidor = argv[2];
    env.puerto = argv[3];
    env.usuario = argv[4];
    env.password = protectPassword(argv[5]);
    env.RutaOrigenRemoto = argv[7];
    env.ExtensionesActivas = "JPG|JPEG|PNG|GIF";

    const auto start = std::chrono::steady_clock::now();
    const RemoteContext context = remoteContextOf(state);
    scanImages(context, env, state.SourceImageList, true);
    const double scanned = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (mode == "scan") {
        std::printf("%.3f %zu\n", scanned, state.SourceImageList.size());
        return state.SourceImageList.empty() ? 1 : 0;
    }
    const auto begin = std::chrono::steady_clock::now();
    const RemoteDownloadOutcome result = downloadRemoteImages(context, env, state.SourceImageList, argv[8], {});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::printf("%.3f %zu\n", seconds, state.SourceImageList.size());
    closeSessionsIn(state.ftpSessions);
    return result.end == RemoteDownloadOutcome::End::Finished && result.skipped.empty() ? 0 : 1;
}
