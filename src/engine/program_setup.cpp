#include "engine/program_setup.h"

#include "engine/program_folder.h"

#include "core/state.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_formats.h"
#include "settings/defaults.h"

namespace tesselon {

int8_t decideExternalDownloader(const std::string& programFolder) {
    return fileSize(programFolder + "usarWget.txt") > 0 && fileSize(programFolder + "wget.dat") > 100 ? 1 : 0;
}

void registerProgramDecoders(CodecRegistry& codecs) {
    for (const ImageFormat& format : imageFormats()) codecs.registerDecoder(format);
}

void initProgramState(AppState& state, const std::string& executableFolder, int64_t now) {
    const ProgramFolderChoice choice = prepareProgramFolder(executableFolder);
    state.ProgramFolder = choice.folder;
    state.ExecutableFolderReadOnly = !choice.executableFolderWritable;
    state.SettingsFilePath = state.ProgramFolder + "default.cfg";
    state.UseExternalDownloader = decideExternalDownloader(state.ProgramFolder);
    state.DefaultWatermarkText = buildDefaultWatermarkText(now);
}

}  // namespace tesselon
