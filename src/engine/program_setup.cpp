#include "engine/program_setup.h"

#include "engine/program_folder.h"
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

ProgramStart programStartOf(const std::string& executableFolder, int64_t now) {
    const ProgramFolderChoice choice = prepareProgramFolder(executableFolder);
    ProgramStart start;
    start.programFolder = choice.folder;
    start.executableFolderReadOnly = !choice.executableFolderWritable;
    start.settingsFilePath = start.programFolder + "default.cfg";
    start.useExternalDownloader = decideExternalDownloader(start.programFolder);
    start.defaultWatermarkText = buildDefaultWatermarkText(now);
    return start;
}

}  // namespace tesselon
