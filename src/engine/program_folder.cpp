#include "engine/program_folder.h"

#include "runtime/fs/file_system.h"

namespace tesselon {

std::string perUserProgramFolder() { return userConfigFolder() + "tesselon/"; }

ProgramFolderChoice chooseProgramFolder(const std::string& executableFolder) {
    if (isWritableFolder(executableFolder)) return {executableFolder, true};
    return {perUserProgramFolder(), false};
}

ProgramFolderChoice prepareProgramFolder(const std::string& executableFolder) {
    ProgramFolderChoice choice = chooseProgramFolder(executableFolder);
    if (!choice.executableFolderWritable) createPrivateFolder(choice.folder);
    return choice;
}

}  // namespace tesselon
