#include "engine/program_setup.h"

#include "engine/state.h"
#include "runtime/fs/file_system.h"
#include "settings/defaults.h"

namespace tesselon {

int8_t decideExternalDownloader(const std::string& programFolder) {
    return fileSize(programFolder + "usarWget.txt") > 0 && fileSize(programFolder + "wget.dat") > 100 ? 1 : 0;
}

void initProgramState(AppState& state, const std::string& programFolder, int64_t now) {
    state.ProgramFolder = programFolder;
    state.SettingsFilePath = programFolder + "default.cfg";
    state.UseExternalDownloader = decideExternalDownloader(programFolder);
    state.DefaultWatermarkText = buildDefaultWatermarkText(now);
}

}  // namespace tesselon
