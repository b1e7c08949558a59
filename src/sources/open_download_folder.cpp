#include "sources/open_download_folder.h"

#include <chrono>

#include "core/frontend.h"
#include "runtime/process/program_run.h"

namespace tesselon {

namespace {

constexpr double kPollMs = 20;

// Whether the opener took the folder: it is still running after the verdict time (a
// handler that stays), or it ended well.
bool openerTookIt(Frontend& ui, ProgramRun& run) {
    const auto start = std::chrono::steady_clock::now();
    while (run.running()) {
        const double waited = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (waited >= kOpenerVerdictMs) return true;
        ui.waitPumpingEvents(kPollMs);
    }
    return run.exitCode() == 0;
}

}  // namespace

void openDownloadFolder(Frontend& ui, const std::string& folder) {
    // An empty path would start the opener on nothing at all.
    if (folder.empty()) return;
    RunResult opened = runProgram(folder, {}, {}, kRunOpen);
    if (opened.ok && opened.run && openerTookIt(ui, *opened.run)) return;
    ui.messageBox("Carpeta de descarga",
                  "El sistema no tiene ninguna aplicación para abrir carpetas.\r\n\r\nLas imágenes descargadas "
                  "están en:\r\n" + folder,
                  MessageButtons::Ok, MessageIcon::Information);
}

}  // namespace tesselon
